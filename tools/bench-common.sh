# Shared by the tools/bench-* scripts (sourced, not run): the build they measure
# and a timer. Usage of every bench script: tools/bench-<name> [build directory]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$root" && mkdir -p "${1:-build}" && cd "${1:-build}" && pwd)

# build_targets <target>...: configures the build directory when it is new.
build_targets() {
    if [ ! -f "$build/CMakeCache.txt" ]; then
        cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
    fi
    cmake --build "$build" -j 2 --target "$@" >/dev/null
}

# seconds <command>...: wall-clock seconds the command took; its output is dropped.
seconds() {
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    awk -v start="$start" -v end="$end" 'BEGIN { printf "%.3f\n", end - start }'
}

# ratio <a> <b>: a / b, two decimals.
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f\n", a / b }'; }

# median <numbers>...
median() {
    printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
