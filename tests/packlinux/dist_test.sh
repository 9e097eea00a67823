#!/bin/sh
# The release files as make dist writes them: the four files and no other,
# checksums that hold, and in each archive the very program the build made.
# The tarball's tarnell-pack, extracted outside the checkout and run with the
# checkout and the build tree out of sight (a mount namespace of its own),
# packs a package as the build's program does.
# Usage: dist_test.sh <dist folder> <tarnell-pack> <tarnell-pack.exe> <package.msi> <checkout> <build>
set -u
dist=$1
native=$2
windows=$3
package=$4
root=$(cd "$5" && pwd)
build=$(cd "$6" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tarnell-dist-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }

version=$("$native" --version | cut -d ' ' -f 2)
linux=tarnell-$version-linux-x86_64
windows_zip=tarnell-$version-windows-x64
deb=tarnell_${version}_amd64.deb
files=$(cd "$dist" && LC_ALL=C ls)
[ "$files" = "$(printf 'SHA256SUMS\n%s\n%s\n%s' "$linux.tar.gz" "$windows_zip.zip" "$deb")" ] ||
    fail "dist holds: $files"
(cd "$dist" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not hold"

cd "$work"
tar -xzf "$dist/$linux.tar.gz"
cmake -E tar xf "$dist/$windows_zip.zip"
SOURCE_DATE_EPOCH=0 x86_64-w64-mingw32-strip -o built.exe "$windows"
cmp -s "$windows_zip/tarnell-pack.exe" built.exe || fail "the zip's tarnell-pack.exe is not the build's"
dpkg-deb --fsys-tarfile "$dist/$deb" | tar -xO ./usr/bin/tarnell-pack >deb-tarnell-pack
cmp -s deb-tarnell-pack "$linux/bin/tarnell-pack" || fail "the Debian package's tarnell-pack is not the tarball's"

mkdir released built
cp "$package" released/app.msi
cp "$package" built/app.msi
(cd built && "$native" app.msi setup.exe >out)
# The build tree first: it may lie inside the checkout.
(cd released && unshare -m sh -c 'mount -t tmpfs none "$1" && mount -t tmpfs none "$2" && "$3" app.msi setup.exe' \
    sh "$build" "$root" "$work/$linux/bin/tarnell-pack" >out) || fail "the released tarnell-pack failed"
for file in setup.exe out; do
    cmp -s built/$file released/$file || fail "the released tarnell-pack's $file differs from the build's"
done

[ "$failures" -eq 0 ]
