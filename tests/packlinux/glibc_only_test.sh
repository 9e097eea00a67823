#!/bin/sh
# The released tarnell-pack runs on any x86-64 Linux: it needs no shared library
# but glibc's own and libgcc_s, which every glibc system has, and no glibc newer
# than 2.34 (the README's promise).
# Usage: glibc_only_test.sh <dist folder>
set -eu
work=$(mktemp -d "${TMPDIR:-/tmp}/tarnell-glibc.XXXXXX")
trap 'rm -rf "$work"' EXIT
tar -xzf "$1"/tarnell-*-linux-x86_64.tar.gz -C "$work"
program=$(echo "$work"/tarnell-*/bin/tarnell-pack)

needed=$(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p')
others=$(echo "$needed" | grep -Ev '^(libc|libm|libpthread|libdl|librt|libgcc_s|ld-linux-x86-64)\.so\.[0-9]+$' || true)
[ -z "$others" ] || { echo "FAILED: needs libraries beyond glibc:" $others >&2; exit 1; }
newest=$(objdump -T "$program" | grep -o 'GLIBC_[0-9.]*' | sort -uV | tail -n 1)
[ "$(printf '%s\n' "$newest" GLIBC_2.34 | sort -V | tail -n 1)" = GLIBC_2.34 ] ||
    { echo "FAILED: needs $newest" >&2; exit 1; }
