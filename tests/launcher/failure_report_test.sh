#!/bin/sh
# A launcher that fails prints its error on the console in debug mode, and
# shows it in a message box titled with its own file name; asked for a silent
# install (/qn), it shows none and ends at once with -1.
# Usage: failure_report_test.sh <launcher without its package> <private wine prefix>
set -eu
launcher=$1
export WINEPREFIX=$2 WINEDEBUG=-all
wine_run=$(dirname "$0")/../../tools/wine-run
name=$(basename "$launcher")

# script gives the launcher a terminal to attach its console to.
status=0
output=$(TARNELL_DEBUG=true script -qec "$wine_run '$launcher' /qn" /dev/null) || status=$?
# Wine's console draws with escape sequences, a blank as a cursor step; keep the text.
text=$(printf '%s' "$output" | sed -e 's/\x1b\[1C/ /g' -e 's/\x1b\[[0-9;?]*[A-Za-z]//g' | tr -d '\r')
[ "$status" -eq 255 ] || { echo "FAIL: exit status $status, expected 255 (-1)"; exit 1; }
for expected in "[ERROR] app.cpp:" "cannot find resource (name='msi', type='#10')"; do
    printf '%s' "$text" | grep -qF "$expected" || { echo "FAIL: no '$expected' in:"; echo "$text"; exit 1; }
done
echo "console: ok"

# A wineserver started without a display would make the box return at once.
wineserver -k 2>/dev/null || true
wineserver -w
# A box waits for a click: a silent run that ends by itself has shown none.
status=0
timeout 60 xvfb-run -a sh -c 'wine "$1" /qn 2>/dev/null; status=$?; wineserver -k; exit $status' sh "$launcher" || status=$?
[ "$status" -eq 255 ] || { echo "FAIL: silent run ended with $status, expected 255 (-1) without a window"; exit 1; }
echo "silent: ok"

timeout 120 xvfb-run -a sh -c '
    wine "$1" 2>/dev/null &
    for i in $(seq 1 120); do
        if xwininfo -root -tree | grep -qF "\"$2\": (\"$2\""; then
            wineserver -k
            exit 0
        fi
        sleep 0.5
    done
    wineserver -k
    exit 1' sh "$launcher" "$name" || { echo "FAIL: no window titled $name"; exit 1; }
echo "message box: ok"
