#!/bin/sh
# The release files as make dist writes them: the four files and no other,
# checksums that hold, and in each archive the very program the build made,
# with the licence, the README and (Linux) the manual page; the Debian
# package with its copyright and changelog where Debian keeps them. The
# manual page renders without a warning and says every paragraph of --help.
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

for file in LICENSE README.md; do
    cmp -s "$linux/$file" "$root/$file" || fail "the tarball's $file is not the checkout's"
    cmp -s "$windows_zip/$file" "$root/$file" || fail "the zip's $file is not the checkout's"
done
dpkg-deb --fsys-tarfile "$dist/$deb" | tar -x ./usr/share || fail "the Debian package has no /usr/share"
doc=usr/share/doc/tarnell
/usr/bin/python3 - "$doc/copyright" "$root/LICENSE" <<'PYTHON' || fail "$doc/copyright: $(cat "$doc/copyright")"
import sys
fields = open(sys.argv[1]).read().split('\nLicense: Expat\n')
head, text = fields[0], fields[-1].replace('\n .\n', '\n\n').replace('\n ', '\n')
licence = open(sys.argv[2]).read()
sys.exit(0 if len(fields) == 2 and head.startswith('Format: https://www.debian.org/doc/packaging-manuals/'
         'copyright-format/1.0/\n') and '\nFiles: *\nCopyright: The Tarnell authors' in head
         and text.strip() == licence[licence.index('Permission'):].strip() else 1)
PYTHON
[ "$(gunzip -c "$doc/changelog.Debian.gz" | dpkg-parsechangelog -l - -S Version)" = "$version" ] ||
    fail "$doc/changelog.Debian.gz does not start at version $version"
gunzip -c usr/share/man/man1/tarnell-pack.1.gz >manual.1
gunzip -c "$linux/share/man/man1/tarnell-pack.1.gz" | cmp -s - manual.1 || fail "the tarball's manual page is not the Debian package's"
warnings=$(groff -man -ww -z manual.1 2>&1)
[ -z "$warnings" ] || fail "the manual page warns: $warnings"
grep -q "^\.TH .*\"tarnell\\\\-pack $version\"" manual.1 || fail "the manual page is not of version $version"
"$native" --help >help.txt
groff -man -Tascii -P-cbou manual.1 >manual.txt
/usr/bin/python3 - help.txt manual.txt <<'PYTHON' || fail "the manual page does not say what --help says"
import sys
words = lambda text: ' '.join(text.split())
manual = words(open(sys.argv[2]).read())
missing = [words(p) for p in open(sys.argv[1]).read().split('\n\n') if words(p.replace('Usage:', '', 1)) not in manual]
print(*(f'not in the manual page: {p}' for p in missing), sep='\n', file=sys.stderr)
sys.exit(1 if missing else 0)
PYTHON

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
