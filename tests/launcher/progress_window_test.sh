#!/bin/sh
# An interactive run that writes a large package shows a window titled with the
# product's name, closed before msiexec.exe starts; a silent run shows none.
# Wine's large writes go through a preloaded library that holds each for a
# while, so that the writing outlasts the window's delay on any machine.
# Usage: progress_window_test.sh <launcher around a 32 MiB package> <private wine prefix> <msiexec-stub.exe> <product name>
set -eu
launcher=$1
export WINEPREFIX=$2 WINEDEBUG=-all
stub=$3
title=$4
wine_run=$(cd "$(dirname "$0")/../../tools" && pwd)/wine-run
work=$WINEPREFIX-work
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

cc -shared -fPIC -O2 -o "$work/slow-writes.so" "$(dirname "$0")/SlowWrites.c" -ldl
"$wine_run" cmd /c exit 0 >/dev/null 2>&1
cp "$stub" "$WINEPREFIX/drive_c/windows/system32/msiexec.exe"
export WINEDLLOVERRIDES=msiexec.exe=n TARNELL_STUB_SLEEP=1000
export TARNELL_STUB_REPORT="$(printf 'Z:%s/args.txt' "$work" | tr / '\\')"
# A wineserver started without a display would keep every window from showing.
wineserver -k 2>/dev/null || true
wineserver -w

# Prints what the run showed: "window", "window while msiexec ran" or nothing, then its exit status.
timeout 120 xvfb-run -a sh -c '
    watch() {
        rm -f "$2/args.txt"
        LD_PRELOAD="$2/slow-writes.so" wine "$3" $4 >/dev/null 2>&1 &
        pid=$!
        seen=""
        while kill -0 "$pid" 2>/dev/null; do
            if xwininfo -root -tree | grep -qF "\"$1\": ("; then
                if [ -e "$2/args.txt" ]; then seen="window while msiexec ran"; break; fi
                seen=window
            fi
            sleep 0.1
        done
        status=0
        wait "$pid" || status=$?
        echo "$5: $seen, $status"
    }
    watch "$1" "$2" "$3" "" interactive
    watch "$1" "$2" "$3" /qn silent
    wineserver -k' sh "$title" "$work" "$launcher" >"$work/seen.txt"
cat "$work/seen.txt"
expected="interactive: window, 0
silent: , 0"
[ "$(cat "$work/seen.txt")" = "$expected" ] || { echo "FAIL: expected"; echo "$expected"; exit 1; }
