#!/bin/sh
# The repair that finds its files in the package cache, through a setup program
# the native tarnell-pack made: the Windows tree's cache test, given that setup.
# Usage: native_repair_test.sh <tarnell-pack> <cache_tests.exe> <folder of CacheTest.msi> <wine prefix>
set -eu
work=$(mktemp -d "${TMPDIR:-/tmp}/tarnell-repair.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$1" "$3/CacheTest.msi" "$work/setup.exe" >/dev/null
export WINEPREFIX=$4
TARNELL_PREPACKED_SETUP=$(printf 'Z:%s' "$work/setup.exe" | tr / '\\') \
    "$(dirname "$0")/../../tools/wine-run" "$2" --gtest_filter=PackageCacheTest.RepairFindsTheCachedSourceWithTheSetupGone
