#!/bin/sh
# Packs the sample with the native tarnell-pack while Wine is out of reach,
# signs the setup program with a throw-away certificate, verifies the signature,
# and installs and removes the signed program under Wine's real msiexec.
# Usage: signed_setup_test.sh <source dir> <sample.msi> <wine prefix>
set -eu
root=$1
sample=$2
export WINEPREFIX=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/tarnell-signed.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

mkdir "$work/no-wine"
for tool in wine wine64 wineserver; do
    printf '#!/bin/sh\necho "%s must not run" >&2\nexit 97\n' "$tool" >"$work/no-wine/$tool"
    chmod +x "$work/no-wine/$tool"
done
PATH="$work/no-wine:$PATH" "$root/tools/tarnell-pack" "$sample" "$work/setup.exe" >/dev/null ||
    fail "tarnell-pack without Wine"

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Tarnell Test Signing" \
    -addext extendedKeyUsage=codeSigning -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
osslsigncode sign -certs "$work/cert.pem" -key "$work/key.pem" -n "Tarnell Sample" \
    -in "$work/setup.exe" -out "$work/signed.exe" >/dev/null || fail "osslsigncode sign"
osslsigncode verify -CAfile "$work/cert.pem" -ignore-cdp -in "$work/signed.exe" >"$work/verify.txt" ||
    fail "osslsigncode verify: $(cat "$work/verify.txt")"
grep -q "Signature verification: ok" "$work/verify.txt" || fail "no verified signature"

installed="$WINEPREFIX/drive_c/Program Files/Tarnell Sample"
"$root/tools/wine-run" "$work/signed.exe" /qn || fail "install exit code $?"
for file in "$root"/sample/files/*; do
    cmp -s "$file" "$installed/$(basename "$file")" || fail "installed $(basename "$file") differs"
done
# The installer's log tells a failed removal apart from a Wine that went away.
log=$(printf 'Z:%s' "$work/uninstall.log" | tr / '\\')
code=0
"$root/tools/wine-run" "$work/signed.exe" uninstall /l*v "$log" || code=$?
if [ "$code" -ne 0 ]; then
    tail -n 40 "$work/uninstall.log" >&2 2>/dev/null || echo "no installer log" >&2
    fail "uninstall exit code $code"
fi
[ ! -e "$installed" ] || fail "uninstall left $installed"
