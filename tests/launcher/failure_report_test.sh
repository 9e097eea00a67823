#!/bin/sh
# A launcher that fails prints its error on the console in debug mode, and
# shows it in a message box titled with its own file name; a run that must not
# wait on a window (a silent install as msiexec reads the line, an uninstall)
# shows none and ends at once with -1, even when its log names a device.
# Usage: failure_report_test.sh <launcher without its package> <private wine prefix> <exact-run.exe>
#        <launcher with a malformed product code> <launcher around the sample>
set -eu
launcher=$1
export WINEPREFIX=$2 WINEDEBUG=-all
exact_run=$3
bad_code=$4
sample=$5
wine_run=$(cd "$(dirname "$0")/../../tools" && pwd)/wine-run
name=$(basename "$launcher")
work=$WINEPREFIX-lines
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }

# line <file> <program> <tail>: a command line for exact-run, written as is.
line() { printf '"%s" %s\n' "$(windows_path "$2")" "$3" >"$work/$1"; }

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

# Wine maps COM1 and the other ports to the host's serial devices whenever the
# prefix starts: they go to files of this test's own, which stay empty.
for port in COM1 COM2 COM3 COM4 COM5 COM6 COM7 COM8 COM9 LPT1 LPT2 LPT3 LPT4 LPT5 LPT6 LPT7 LPT8 LPT9; do
    : >"$work/$port"
    "$wine_run" reg add 'HKLM\Software\Wine\Ports' /v "$port" /d "$work/$port" /f >/dev/null 2>&1
done
wineserver -k 2>/dev/null || true
wineserver -w
"$wine_run" cmd /c exit 0 >/dev/null 2>&1
[ "$(readlink "$WINEPREFIX/dosdevices/com1")" = "$work/COM1" ] || { echo "FAIL: COM1 still goes to $(readlink "$WINEPREFIX/dosdevices/com1")"; exit 1; }

line quiet "$launcher" '/qn'
line path-ending-in-backslash "$launcher" 'INSTALLDIR="C:\Program Files\App\" /qn'
line doubled-quotes "$launcher" 'P="say ""hi"" now" /qn'
line device-log "$launcher" '/qn /l*v COM1'
line other-device-log "$launcher" '/qn /l*v AUX'
line uninstall "$bad_code" 'uninstall'
line interactive "$launcher" ''
line help "$sample" '/?'
# A wineserver started without a display would make the box return at once.
wineserver -k 2>/dev/null || true
wineserver -w
# A box waits for a click: a run that ends by itself has shown none.
timeout 300 xvfb-run -a sh -c '
    failed=0
    for case in quiet path-ending-in-backslash doubled-quotes device-log other-device-log uninstall; do
        status=0
        timeout 60 wine "$1" "$2/$case" >/dev/null 2>&1 || status=$?
        if [ "$status" -eq 255 ]; then echo "$case: ok"; else echo "FAIL: $case ended with $status, expected 255 (-1) without a window"; failed=1; fi
    done
    for case in "interactive $3" "help $4"; do
        set -- "$1" "$2" "$3" "$4" ${case}
        wine "$1" "$2/$5" >/dev/null 2>&1 &
        shown=0
        for i in $(seq 1 120); do
            if xwininfo -root -tree | grep -qF "\"$6\": (\"$6\""; then shown=1; break; fi
            sleep 0.5
        done
        wineserver -k
        wineserver -w
        if [ "$shown" -eq 1 ]; then echo "$5: ok"; else echo "FAIL: $5 shows no window titled $6"; failed=1; fi
    done
    exit $failed' sh "$exact_run" "$work" "$name" "$(basename "$sample")"
for port in COM1 COM2 COM3 COM4 COM5 COM6 COM7 COM8 COM9 LPT1 LPT2 LPT3 LPT4 LPT5 LPT6 LPT7 LPT8 LPT9; do
    [ ! -s "$work/$port" ] || { echo "FAIL: the failure line was written to $port"; exit 1; }
done
