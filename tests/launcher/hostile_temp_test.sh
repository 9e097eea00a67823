#!/bin/sh
# The launcher on a machine that works against it: a temporary folder whose disk
# fills up, one that does not exist, one that is read-only, and no msiexec.exe.
# Each run must end with -1, say on the console what failed and the system's
# reason (ERROR_DISK_FULL is 112, ERROR_PATH_NOT_FOUND 3), and leave nothing.
# Usage: hostile_temp_test.sh <launcher around 4 MiB> <launcher around the sample> <private wine prefix> <exact-run.exe>
# Needs root for the small tmpfs mounts; without them the test is skipped (77).
set -eu
big=$1
sample=$2
export WINEPREFIX=$3 WINEDEBUG=-all
exact_run=$4
wine_run=$(cd "$(dirname "$0")/../../tools" && pwd)/wine-run
work=$WINEPREFIX-temp
system32=$WINEPREFIX/drive_c/windows/system32

cleanup() {
    for dir in "$work/full" "$work/readonly"; do
        if mountpoint -q "$dir"; then
            umount "$dir" 2>/dev/null || umount -l "$dir"
        fi
    done
    if [ -f "$system32/msiexec.exe.away" ]; then
        mv "$system32/msiexec.exe.away" "$system32/msiexec.exe"
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

cleanup
mkdir -p "$work/full" "$work/readonly" "$work/plain"
if ! mount -t tmpfs -o size=2m tmpfs "$work/full" 2>/dev/null ||
   ! mount -t tmpfs -o ro,size=1m tmpfs "$work/readonly" 2>/dev/null; then
    echo "SKIP: cannot mount a tmpfs here (needs root)"
    exit 77
fi
"$wine_run" cmd /c exit 0 >/dev/null 2>&1 # creates the prefix on first use

windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }

# run <launcher> <temp folder> [tail]: the launcher's console text, ending with "code=<exit code>".
# exact-run starts it with TMP and TEMP set and the line as written: cmd would
# mangle quotes, and look a Unix path up in folders of its own.
run() {
    temp=$(windows_path "$2")
    printf 'TMP=%s\nTEMP=%s\n"%s" /qn %s\n' "$temp" "$temp" "$(windows_path "$1")" "${3:-}" >"$work/line.txt"
    # script gives Wine's console a terminal, wide enough to keep each line whole.
    TARNELL_DEBUG=true script -qec "stty cols 1000; '$wine_run' '$exact_run' '$work/line.txt'" /dev/null |
        sed -e 's/\x1b\[1C/ /g' -e 's/\x1b\[[0-9;?]*[A-Za-z]//g' | tr -d '\r'
}

failures=0
# check <case> <output> <temp folder or ""> <expected text>...
check() {
    name=$1 output=$2 temp=$3
    shift 3
    problems=""
    printf '%s\n' "$output" | grep -qx 'code=-1' || problems="$problems; exit code not -1"
    for expected in "$@"; do
        printf '%s\n' "$output" | grep -qF "$expected" || problems="$problems; no '$expected'"
    done
    if [ -n "$temp" ] && [ -n "$(ls -A "$temp")" ]; then
        problems="$problems; left behind: $(ls -A "$temp" | tr '\n' ' ')"
    fi
    if [ -n "$problems" ]; then
        echo "FAIL: $name${problems}"
        printf '%s\n' "$output" | grep -v '^\[TRACE\]'
        failures=$((failures + 1))
    else
        echo "$name: ok"
    fi
}

full=$(windows_path "$work/full")
check "disk full" "$(run "$big" "$work/full")" "$work/full" \
      "Failed to write [$full\\" "System error [112]"

missing=$(windows_path "$work/missing")
check "no temporary folder" "$(run "$sample" "$work/missing")" "" \
      "Could not create a folder in [$missing]. System error [3]"

readonly=$(windows_path "$work/readonly")
check "read-only temporary folder" "$(run "$sample" "$work/readonly")" "$work/readonly" \
      "Could not create a folder in [$readonly]. System error ["

# Wine would start its built-in msiexec.exe in place of a missing file unless told not to.
# No process of the prefix may be left from the cases before while the file is away.
wineserver -w
mv "$system32/msiexec.exe" "$system32/msiexec.exe.away"
output=$(WINEDLLOVERRIDES=msiexec.exe=n run "$sample" "$work/plain" SQLPASSWORD=Hunter2secret)
mv "$system32/msiexec.exe.away" "$system32/msiexec.exe"
check "no msiexec.exe" "$output" "$work/plain" \
      "CreateProcess(C:\\windows\\system32\\msiexec.exe) failed. System error [2]"

# The failure says what failed, never what was typed.
if printf '%s\n' "$output" | grep -q Hunter2secret; then
    echo "FAIL: no msiexec.exe: the report repeats a property value"
    failures=$((failures + 1))
fi

[ "$failures" -eq 0 ]
