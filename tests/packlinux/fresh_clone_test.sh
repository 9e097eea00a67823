#!/bin/sh
# A second copy of the checkout, in a folder whose path has a blank and a
# non-ASCII letter, used as a new user would:
# - the first tools/tarnell-pack --help builds the stub and the program alone
#   (no GoogleTest, no test program), says one line per stage on stderr and
#   prints the help alone on stdout;
# - the stub, tarnell-pack.exe and tarnell-pack built there are the main
#   build's, byte for byte, so they carry the path of neither checkout, and a
#   package packed in either, by either program, gives the same setup program;
# - the CMake path refuses a TARNELL_PACKAGE that is no package at configure
#   time, naming it, and with TARNELL_OUTPUT_NAME writes the very setup program
#   the tool writes under that name, saying so with the host's path.
# Usage: fresh_clone_test.sh <checkout> <build> (the native build is <build>/host)
set -u
root=$1
build=$(cd "$2" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tarnell-clone.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }
# A make or a build folder named by whoever runs this test must not reach the copy.
unset BUILD CMAKE_FLAGS MAKEFLAGS MFLAGS MAKELEVEL
# Wine reads Linux file names in the locale's character set.
export LC_ALL=C.UTF-8

clone="$work/clone ü"
mkdir "$clone"
(cd "$root" && git ls-files -z --cached --others --exclude-standard | tar --null -T - -cf -) | tar -xf - -C "$clone"

"$clone/tools/tarnell-pack" --help >"$work/help.out" 2>"$work/help.err" || fail "first run: $(cat "$work/help.err")"
"$build/host/tarnell-pack" --help | cmp -s - "$work/help.out" || fail "the first run printed more than the help: $(cat "$work/help.out")"
[ "$(cat "$work/help.err")" = "$(printf 'Building the launcher stub in %s\nBuilding tarnell-pack in %s' \
    "$clone/build" "$clone/build/host")" ] || fail "the first run's progress: $(cat "$work/help.err")"
tests=$(find "$clone/build" -name 'libgtest*' -o -name '*_tests' -o -name '*_tests.exe')
[ -z "$tests" ] || fail "the first run built tests: $tests"

# Each case: the TARNELL_PACKAGE given and the reason the configure gives. CMake
# wraps its messages at blanks: compared with blanks and line ends as one blank.
touch "$work/empty.msi"
while IFS='|' read -r package reason; do
    if cmake "$clone/build" -DTARNELL_PACKAGE="$package" >"$work/configure.out" 2>&1; then
        fail "configured with $package"
    fi
    tr -s ' \n' ' ' <"$work/configure.out" | grep -qF "TARNELL_PACKAGE: $package: $reason" ||
        fail "$package: $(cat "$work/configure.out")"
done <<CASES
$work/missing.msi|no such file
$work|a folder, not an installer package
$work/empty.msi|not an installer package
$clone/README.md|not an installer package
CASES

cp "$build/tests/pack/PackTest.msi" "$work/app.msi"
# The main build's Wine prefix, made at once if missing, spares making one more.
WINEPREFIX="$build/wineprefix" "$root/tools/wine-run" cmd /c exit 0 >/dev/null 2>&1
ln -s "$build/wineprefix" "$clone/build/wineprefix"
cmake "$clone/build" -DTARNELL_PACKAGE="$work/app.msi" -DTARNELL_OUTPUT_NAME=myapp-setup.exe >/dev/null &&
    cmake --build "$clone/build" -j 2 --target tarnell-launcher >"$work/launcher.out" 2>&1 ||
    fail "the CMake path: $(cat "$work/launcher.out")"
grep -qF "Wrote $clone/build/wrapper/myapp-setup.exe (" "$work/launcher.out" ||
    fail "no line names the host's path: $(cat "$work/launcher.out")"
"$build/host/tarnell-pack" "$work/app.msi" "$work/myapp-setup.exe" >/dev/null
cmp -s "$work/myapp-setup.exe" "$clone/build/wrapper/myapp-setup.exe" ||
    fail "the CMake path's myapp-setup.exe is not the tool's"

for program in pack/windows/tarnell-stub.exe pack/windows/tarnell-pack.exe host/tarnell-pack; do
    cmp -s "$build/$program" "$clone/build/$program" || fail "$program differs between the two checkouts"
done

[ "$failures" -eq 0 ]
