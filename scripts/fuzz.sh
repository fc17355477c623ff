#!/usr/bin/env bash
# Builds the fuzz targets (fuzz/*_fuzz.cpp) with clang's libFuzzer, AddressSanitizer
# and UndefinedBehaviorSanitizer, and runs each for a while from its seed
# corpus in fuzz/corpus/<target>/.
#
#   scripts/fuzz.sh [seconds per target, default 60] [target...]
#
# Targets are named without "_fuzz" (proxy, ini, ...); default: all. Prints
# the executions of every target. Whatever a target finds (crash, leak,
# timeout, out-of-memory input) is copied to fuzz/regressions/<target>/,
# which the native test build replays as a test; the script then fails.
# New inputs the fuzzer keeps go to build/fuzz/corpus/, never into the repo.
# VUV_FUZZ_JOBS targets run at once (default: the number of processors).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift $(( $# > 0 ? 1 : 0 ))
build="$root/build/fuzz"
jobs=${VUV_FUZZ_JOBS:-$(nproc)}

if [ $# -gt 0 ]; then
    targets=("$@")
else
    targets=()
    for src in "$root"/fuzz/*_fuzz.cpp; do
        name=$(basename "$src" .cpp)
        targets+=("${name%_fuzz}")
    done
fi

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVUV_FUZZ=ON >/dev/null
cmake --build "$build" --parallel "$(nproc)" --target "${targets[@]/%/_fuzz}" >/dev/null

run_one() {  # target -> writes build/fuzz/logs/<target>.log
    local t=$1
    local work="$build/corpus/$t" found="$build/artifacts/$t/"
    mkdir -p "$work" "$found" "$build/logs"
    # -timeout: one input may take at most 10 s; the work corpus comes first,
    # so only it receives new inputs.
    "$build/${t}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$found" "$work" "$root/fuzz/corpus/$t" >"$build/logs/$t.log" 2>&1
}

status=0
running=0
for t in "${targets[@]}"; do
    rm -rf "$build/artifacts/$t"
    run_one "$t" &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        wait -n || true
        running=$((running - 1))
    fi
done
wait || true

printf '%-14s %14s %10s  %s\n' target executions "exec/s" result
for t in "${targets[@]}"; do
    log="$build/logs/$t.log"
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
    result=ok
    found=$(find "$build/artifacts/$t" -type f 2>/dev/null | sort)
    if [ -n "$found" ]; then
        result="FOUND:"
        mkdir -p "$root/fuzz/regressions/$t"
        for f in $found; do
            cp "$f" "$root/fuzz/regressions/$t/"
            result+=" fuzz/regressions/$t/$(basename "$f")"
        done
        status=1
        sed -n '/ERROR\|SUMMARY\|runtime error/p' "$log" | head -n 5 >&2
    elif [ -z "$runs" ]; then
        result="did not run (see $log)"
        status=1
    fi
    printf '%-14s %14s %10s  %s\n' "$t" "${runs:-0}" "${rate:-0}" "$result"
done
exit $status
