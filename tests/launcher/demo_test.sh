#!/bin/sh
# tools/demo passes only when the launcher installs the sample and removes it
# again: around the sample it exits 0; around another package, as from a build
# configured with one, it fails although msiexec's exit codes are 0.
# Usage: demo_test.sh <launcher around the sample> <launcher around another package> <folder>
set -u
demo=$(cd "$(dirname "$0")/../../tools" && pwd)/demo
folder=$3
mkdir -p "$folder/wrapper"
failures=0
while IFS='|' read -r launcher expected; do
    cp "$launcher" "$folder/wrapper/tarnell-launcher.exe"
    "$demo" "$folder" >"$folder/demo.out" 2>&1
    code=$?
    if [ "$code" != "$expected" ]; then
        echo "FAILED: $launcher: tools/demo exited with $code, not $expected:" >&2
        cat "$folder/demo.out" >&2
        failures=$((failures + 1))
    fi
done <<CASES
$1|0
$2|1
CASES
[ "$failures" -eq 0 ]
