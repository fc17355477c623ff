#!/usr/bin/env bash
# Builds what the benchmarks need and runs every benchmark of the project:
# the native ones (bench/native/*.cpp, optimised, without sanitizers) and
# the Windows ones (bench/win/*.cpp and bench/win/<folder>/*_bench.cpp) under
# Wine on a private Xvfb display. Then prints one table of every figure with
# the baseline measured in the same run and the ratio value / baseline.
#
#   scripts/bench.sh [program...]      e.g. scripts/bench.sh memory_bench
#
# Every program prints, besides its own report, one line per figure
#   BENCH <name>\t<value>\t<unit>\t<baseline>\t<ratio>
# (bench/bench_line.h); the table is made of those lines. Each program's
# whole output is kept in build/bench/logs/<program>.log.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)
logs="$root/build/bench/logs"
mkdir -p "$logs"

wanted() {  # name -> whether it was asked for (everything when nothing was)
    [ ${#selected[@]} -eq 0 ] && return 0
    local s
    for s in "${selected[@]}"; do [ "$s" = "$1" ] && return 0; done
    return 1
}
selected=("$@")

native=()
for src in bench/native/*.cpp; do
    name=$(basename "$src" .cpp)
    wanted "$name" && native+=("$name")
done
windows=()
for src in bench/win/*.cpp bench/win/*/*_bench.cpp; do
    [ -e "$src" ] || continue
    name=$(basename "$src" .cpp)
    wanted "$name" && windows+=("$name")
done

# A prefix of the benchmarks' own, with unmanaged windows as in the tests.
export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix-bench}
source scripts/wine-env.sh
if [ "$VUV_WINE_ARCH" = 32 ]; then
    windir="$root/build/win32" toolchain=mingw-i686.cmake
else
    windir="$root/build/win64" toolchain=mingw-x86_64.cmake
fi

echo "== Building" >&2
declare -A outcome
if [ ${#native[@]} -gt 0 ]; then
    cmake -S . -B build/bench-native -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build build/bench-native --parallel "$jobs" --target "${native[@]}" >&2
fi
built_windows=()
if [ ${#windows[@]} -gt 0 ]; then
    cmake -S . -B "$windir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" >/dev/null
    for name in "${windows[@]}"; do
        if cmake --build "$windir" --parallel "$jobs" --target "$name" >"$logs/$name.build.log" 2>&1; then
            built_windows+=("$name")
        else
            outcome[$name]="not built (build/bench/logs/$name.build.log)"
        fi
    done
fi

if [ ${#built_windows[@]} -gt 0 ]; then
    vuv_start_display
    trap 'vuv_stop_wineserver; [ -n "${VUV_XVFB_PID:-}" ] && kill "$VUV_XVFB_PID" 2>/dev/null || true' EXIT
    vuv_init_prefix
    vuv_start_wineserver
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
fi

run() {  # name command... -> runs it with its output in the log, records the outcome
    local name=$1 start rc=0
    shift
    echo "== $name" >&2
    start=$SECONDS
    timeout 3600 "$@" >"$logs/$name.log" 2>&1 </dev/null || rc=$?
    if [ $rc -ne 0 ]; then
        outcome[$name]="exit $rc after $((SECONDS - start)) s (build/bench/logs/$name.log)"
    elif ! grep -q '^BENCH ' "$logs/$name.log"; then
        outcome[$name]="no BENCH lines (build/bench/logs/$name.log)"
    else
        outcome[$name]="ok, $((SECONDS - start)) s"
    fi
}
for name in "${native[@]}"; do run "$name" "build/bench-native/$name"; done
for name in "${built_windows[@]}"; do run "$name" bash -c 'cd "$1" && exec "$WINE" "./$2.exe"' _ "$windir" "$name"; done

# The table: one row per figure, then how each program ended.
echo
printf '%-36s %12s %-5s %12s %9s\n' figure value unit baseline ratio
printf '%-36s %12s %-5s %12s %9s\n' ------ ----- ---- -------- -----
for name in "${native[@]}" "${windows[@]}"; do
    [ -f "$logs/$name.log" ] || continue
    tr -d '\r' <"$logs/$name.log" | awk -F'\t' '/^BENCH / {
        sub(/^BENCH /, "", $1)
        printf "%-36s %12s %-5s %12s %9s\n", $1, $2, $3, $4, $5
    }'
done
echo
failed=0
for name in "${native[@]}" "${windows[@]}"; do
    printf '%-24s %s\n' "$name" "${outcome[$name]:-not run}"
    case "${outcome[$name]:-}" in ok*) ;; *) failed=1 ;; esac
done
echo "machine: $(nproc) processors, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1), $("$WINE" --version 2>/dev/null || echo 'no Wine')"
exit $failed
