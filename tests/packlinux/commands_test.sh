#!/bin/sh
# info, extract and winget of the native tarnell-pack and of tarnell-pack.exe
# under Wine, on setup programs of packages of every kind: the same output and
# the same files from both; the contract's fields; extract, then pack again,
# gives the same setup program; winget's rules; and for every bad input one
# line, exit code 1, nothing on standard output and nothing written.
# Usage: WINEPREFIX=<prefix> commands_test.sh <tarnell-pack> <tarnell-pack.exe> <packages dir>
set -u
native=$1
windows=$2
packages=$3
here=$(cd "$(dirname "$0")" && pwd)
wine_run=$here/../../tools/wine-run
work=$(mktemp -d "${TMPDIR:-/tmp}/tarnell-commands.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }

cd "$work"
cp "$packages/PackTest.msi" "$packages"/scopes/*.msi "$packages"/reading/*.msi .
cp -R "$packages/cabinets" .
"$native" PackTest.msi embedded.exe >/dev/null || fail "packing PackTest.msi"
"$native" cabinets/CabinetTest.msi external.exe >/dev/null || fail "packing CabinetTest.msi"
for package in dual machine cp932 cp1255 cp1258 utf8 long-string many-strings; do
    "$native" $package.msi $package.exe >/dev/null || fail "packing $package.msi"
done
printf 'not a package\n' >notes.txt
# Cut inside the package; and a setup program whose cabinet list or SETUP resource was changed.
head -c 200000 external.exe >truncated.exe
perl -0777 -pe 's/cab one\.cab\ncab2\.cab\n/cab one.cab\ncab2.ca.\n/' external.exe >bad-list.exe
perl -0777 -pe 's/package-cache=yes/package-cache=yup/' embedded.exe >bad-facts.exe
# A byte of a carried cabinet changed; a setup program whose checksums are gone, as an older packer's.
/usr/bin/python3 -c 'import sys; d = bytearray(open("external.exe", "rb").read()); i = d.rfind(b"MSCF") + 200; d[i] ^= 1; sys.stdout.buffer.write(d)' >bad-cabinet.exe
perl -0777 -pe 's/C\0H\0E\0C\0K\0S\0U\0M\0S\0/C\0H\0E\0C\0K\0S\0U\0M\0X\0/' external.exe >unchecked.exe
mkdir n w
touch n/file w/file

# both <label> <exit code> <args...>: runs both tools, each in a folder of its
# own (n, w) so that they write the same relative paths, and compares.
both() {
    label=$1
    expected=$2
    shift 2
    (cd n && "$native" "$@" >../n.out 2>../n.err; echo $? >../n.code)
    (cd w && "$wine_run" "$windows" "$@" >../w.out 2>../w.err; echo $? >../w.code)
    [ "$(cat n.code)" = "$expected" ] || fail "$label: exit code $(cat n.code), not $expected: $(cat n.err)"
    for part in out err code; do
        cmp -s n.$part w.$part || fail "$label: $part differs: $(cat n.$part) | $(cat w.$part)"
    done
    diff -r n w >/dev/null || fail "$label: the files written differ"
    if [ "$expected" != 0 ]; then
        [ ! -s n.out ] || fail "$label: printed $(cat n.out)"
        [ "$(wc -l <n.err)" = 1 ] || fail "$label: not one line: $(cat n.err)"
    fi
}

# The facts info gives, beyond what both tools agree on, and whether winget
# takes the package (a ProductName of 70,000 characters is too long for it).
long=$(printf 'Long Text %.0s' $(seq 7000))
while IFS='|' read -r setup winget facts; do
    both "info $setup" 0 info ../$setup.exe
    both "info --json $setup" 0 info --json ../$setup.exe
    cp n.out $setup.json
    /usr/bin/python3 - $setup.json "$facts" "$long" <<'PYTHON' || fail "info --json $setup: $(cat n.out)"
import json, sys
info = json.load(open(sys.argv[1], encoding='utf-8'))
expected = json.loads(sys.argv[2].replace('LONG', sys.argv[3]))
wrong = {key: info[key] for key in expected if info[key] != expected[key]}
fields = ['productName', 'productVersion', 'manufacturer', 'productCode', 'upgradeCode', 'packageCode', 'scope',
          'architecture', 'languages', 'package', 'cabinets', 'setup', 'defaultLog', 'commands', 'successCodes']
sys.exit(1 if wrong or list(info) != fields or info['successCodes'] != [0, 1641, 3010] else 0)
PYTHON

    both "verify $setup" 0 verify ../$setup.exe
    both "extract $setup" 0 extract ../$setup.exe x-$setup
    name=$(/usr/bin/python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["package"]["name"])' $setup.json)
    mkdir again
    "$native" "n/x-$setup/$name" again/$setup.exe >/dev/null
    cmp -s again/$setup.exe $setup.exe || fail "extract $setup and pack again: another setup program"
    rm -rf again

    both "winget $setup" $winget winget ../$setup.exe --id Tarnell.Test --url https://example.com/$setup.exe --out m-$setup
    if [ "$winget" = 0 ]; then
        /usr/bin/python3 "$here/winget_manifest_check.py" n/m-$setup $setup.json $setup.exe || fail "winget $setup"
    fi
done <<CASES
embedded|0|{"scope": "user", "architecture": "x86", "cabinets": [], "productName": "Tarnell Pack Test"}
external|0|{"scope": "user", "productName": "Tarnell Cabinet Test"}
dual|0|{"scope": "dual"}
machine|0|{"scope": "machine", "architecture": "x64", "languages": [1033, 1031], "packageCode": "{0D5A0A61-58A7-4F32-9E7E-6B5C2A1F9D38}"}
cp932|0|{"productName": "日本語のソフト"}
cp1255|0|{"productName": "שלום"}
cp1258|0|{"productName": "Cà phê", "productCode": "{5B8E2C41-7D3F-4A96-8E10-3F6C2D9A7B54}"}
utf8|0|{"manufacturer": "Ünïcödé €"}
long-string|1|{"productName": "LONG"}
many-strings|0|{"productName": "Tarnell Pack Test", "upgradeCode": "{1D7E6B2A-3C48-4F05-9A61-8B2C0D4E5F37}"}
CASES
[ "$(grep -c '"name": "cab' external.json)" = 2 ] || fail "info external: not its two cabinets"
both "info of a package" 0 info --json ../cabinets/CabinetTest.msi
grep -q '"setup": null' n.out || fail "info of a package: a setup program"

while IFS='|' read -r case arguments; do
    # shellcheck disable=SC2086 # split on purpose; no argument holds a blank
    both "$case" 1 $arguments
done <<'CASES'
not a setup program|extract ../notes.txt x-bad
neither setup nor package|info ../notes.txt
no such file|info ../missing.exe
cut short|extract ../truncated.exe x-bad
a cabinet name the launcher refuses|extract ../bad-list.exe x-bad
a SETUP resource the packer never writes|info ../bad-facts.exe
files there already|extract ../external.exe x-external
the folder is a file|extract ../embedded.exe file
a file above the folder|extract ../embedded.exe file/x
winget takes setup programs|winget ../PackTest.msi --id A.B --url https://x/ --out m-bad
a bad identifier|winget ../embedded.exe --id Tarnell --url https://x/ --out m-bad
a bad address|winget ../embedded.exe --id A.B --url ftp://x/ --out m-bad
a bad locale|winget ../embedded.exe --id A.B --url https://x/ --locale english --out m-bad
manifests there already|winget ../embedded.exe --id Tarnell.Test --url https://example.com/embedded.exe --out m-embedded
a damaged cabinet|verify ../bad-cabinet.exe
CASES
both "no checksums to verify" 3 verify ../unchecked.exe
both "files there already, replaced" 0 extract --force ../external.exe x-external
both "a folder and its parents made" 0 extract ../embedded.exe made/with/parents
both "help after a command" 0 winget -h

# A folder that cannot be made: the system's own reason differs between the tools.
(cd n && "$native" extract ../embedded.exe /proc/tarnell >../n.out 2>../n.err)
[ $? = 1 ] && [ ! -s n.out ] && [ "$(wc -l <n.err)" = 1 ] || fail "an unwritable folder: $(cat n.err)"
(cd w && "$wine_run" "$windows" extract ../embedded.exe /proc/tarnell >../w.out 2>../w.err)
[ $? = 1 ] && [ ! -s w.out ] && [ "$(wc -l <w.err)" = 1 ] || fail "an unwritable folder, Windows: $(cat w.err)"

[ "$failures" -eq 0 ]
