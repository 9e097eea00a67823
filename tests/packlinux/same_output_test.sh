#!/bin/sh
# The native tarnell-pack and tarnell-pack.exe under Wine, run on the same
# inputs: the same setup program byte for byte, the same output on a second
# run, and for every refusal the same line and exit code.
# Each case gives the exit code both must return.
# Usage: WINEPREFIX=<prefix> same_output_test.sh <tarnell-pack> <tarnell-pack.exe> <packages dir>
set -u
native=$1
windows=$2
packages=$3
wine_run=$(cd "$(dirname "$0")/../../tools" && pwd)/wine-run
work=$(mktemp -d "${TMPDIR:-/tmp}/tarnell-same.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }

cp "$packages"/*.msi "$packages"/reading/cp125?.msi "$work"
cp "$packages/pack-test-launcher.exe" "$work/made.exe"
cp -R "$packages/cabinets" "$packages/refused" "$work"
cd "$work"
mkdir missing huge
cp cabinets/CabinetTest.msi missing
# Sparse: the size alone decides, and the tool refuses it before reading a byte.
cp cabinets/CabinetTest.msi cabinets/cab2.cab huge
truncate -s 2G "huge/cab one.cab"
# A 1x1 icon whose directory leaves planes and bit count 0, as many editors write it.
printf '\0\0\1\0\1\0\1\1\0\0\0\0\0\0\60\0\0\0\26\0\0\0' >app.ico
printf '\50\0\0\0\1\0\0\0\2\0\0\0\1\0\40\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0' >>app.ico
printf '\377\0\0\377\0\0\0\0' >>app.ico

# Outputs that are inputs by another name, or no files at all; and a package
# with one byte changed (the first mini FAT sector's number) that crashed the
# installer library the tools once read packages with.
ln -s PackTest.msi link.exe
ln PackTest.msi hard.exe
ln -s cabinets/cab2.cab cabinet.exe
mkfifo fifo.exe
cp PackTest.msi damaged.msi
printf '\177' | dd of=damaged.msi bs=1 seek=63 conv=notrunc 2>/dev/null
inputs=$(cat PackTest.msi cabinets/* app.ico | md5sum)

# run <label> <tool> <args...>: leaves <label>.out, <label>.err, <label>.code and,
# when the tool wrote one, <label>.exe.
run() {
    label=$1
    shift
    "$@" >"$label.out" 2>"$label.err"
    echo $? >"$label.code"
    if [ -f setup.exe ]; then mv setup.exe "$label.exe"; fi
}

same() {
    for part in out err code; do
        cmp -s "$1.$part" "$2.$part" || fail "$3: $part differs: $(cat "$1.$part") | $(cat "$2.$part")"
    done
    if [ -f "$1.exe" ] || [ -f "$2.exe" ]; then
        cmp -s "$1.exe" "$2.exe" || fail "$3: the setup programs differ"
    fi
    rm -f "$1".* "$2".*
}

while IFS='|' read -r case expected arguments; do
    # shellcheck disable=SC2086 # the arguments are split on purpose; none holds a blank
    set -- $arguments
    run native "$native" "$@"
    [ "$(cat native.code)" = "$expected" ] || fail "$case: exit code $(cat native.code), not $expected: $(cat native.err)"
    run again "$native" "$@"
    same native again "$case, native twice"
    run native "$native" "$@"
    run windows "$wine_run" "$windows" "$@"
    same native windows "$case"
done <<'CASES'
plain package|0|PackTest.msi setup.exe
icon and product code|0|--icon=app.ico --product-code {0D5A0A61-58A7-4F32-9E7E-6B5C2A1F9D38} PackTest.msi setup.exe
external cabinets|0|cabinets/CabinetTest.msi setup.exe
a long ProductName|0|long-name.msi setup.exe
code page 1255|0|cp1255.msi setup.exe
code page 1258|0|cp1258.msi setup.exe
missing cabinet|1|missing/CabinetTest.msi setup.exe
2 GiB with the cabinets|1|huge/CabinetTest.msi setup.exe
unsafe cabinet name|1|refused/unsafe-cabinet.msi setup.exe
a cabinet named main.msi|1|refused/main-msi-cabinet.msi setup.exe
files in no cabinet|1|refused/uncompressed.msi setup.exe
no such package|1|missing.msi setup.exe
not a package|1|app.ico setup.exe
the package is a folder|1|cabinets setup.exe
a database but no package|1|empty-database.msi setup.exe
no ProductCode|1|no-product-code.msi setup.exe
a ProductCode that is no GUID|1|bad-product-code.msi setup.exe
not an icon|1|--icon PackTest.msi PackTest.msi setup.exe
no folder for the output|1|PackTest.msi nowhere/setup.exe
the output is a folder|1|PackTest.msi cabinets
the output is the package|1|PackTest.msi PackTest.msi
a package's name for the output|1|PackTest.msi setup.MSI.
a cabinet's name for the output|1|PackTest.msi app.cab
a link to the package|1|PackTest.msi link.exe
a hard link to the package|1|PackTest.msi hard.exe
a link to a cabinet|1|cabinets/CabinetTest.msi cabinet.exe
the output is the icon|1|--icon app.ico PackTest.msi app.ico
the output is a pipe|1|PackTest.msi fifo.exe
the output is a device|1|PackTest.msi /dev/null
a damaged package|1|damaged.msi setup.exe
no output given|2|PackTest.msi
unknown option|2|--nope PackTest.msi setup.exe
an option of another command|2|--force PackTest.msi setup.exe
a flag given a value|2|--no-package-cache=yes PackTest.msi setup.exe
standard input for the package|2|- setup.exe
the arguments swapped|2|setup.exe PackTest.msi
a setup program for the package|1|made.exe setup.exe
CASES

[ "$(cat PackTest.msi cabinets/* app.ico | md5sum)" = "$inputs" ] || fail "an input changed"
[ -p fifo.exe ] && [ -L link.exe ] || fail "an output that is no file was replaced"

[ "$failures" -eq 0 ]
