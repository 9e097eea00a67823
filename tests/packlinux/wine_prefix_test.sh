#!/bin/sh
# tools/wine-run makes a prefix again when a run was killed while making it:
# the half-made prefix has its system.reg, but no kernel32.dll to start with.
# Usage: wine_prefix_test.sh <wine-run>
set -u
wine_run=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/tarnell-prefix.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }
export WINEPREFIX="$work/prefix"

# A wineboot killed once the registry is written.
mkdir "$work/bin"
printf '#!/bin/sh\nmkdir -p "$WINEPREFIX" && : >"$WINEPREFIX/system.reg" && kill -9 $$\n' >"$work/bin/wineboot"
chmod +x "$work/bin/wineboot"
if PATH="$work/bin:$PATH" "$wine_run" cmd /c echo ran >/dev/null 2>&1; then
    fail "a run whose prefix could not be made went on"
fi
[ -f "$WINEPREFIX/system.reg" ] || fail "the killed wineboot left no half-made prefix to test with"

out=$("$wine_run" cmd /c echo ran 2>&1 | tr -d '\r')
[ "$out" = ran ] || fail "the half-made prefix was used: $out"
out=$("$wine_run" cmd /c echo again 2>&1 | tr -d '\r')
[ "$out" = again ] || fail "the prefix made again does not run a second program: $out"

[ "$failures" -eq 0 ]
