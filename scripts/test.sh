#!/usr/bin/env bash
# Sets up the machine if needed, builds everything and runs every test: the
# core's tests natively under AddressSanitizer and UndefinedBehaviorSanitizer,
# then the Windows-side and end-to-end tests under Wine (code page 936) on a
# private Xvfb display. Ends with one summary line over both suites.
#
#   scripts/test.sh [ctest arguments...]
#
# Arguments go to both ctest runs, e.g. `-R LaunchLimits -V` runs the tests
# of that name with their output (the figures some tests print). With
# VUV_FUZZ_SECONDS=0 the fuzzing is skipped.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh

echo "== Native core tests (ASan + UBSan)"
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVUV_SANITIZE=ON >/dev/null
cmake --build build/native --parallel "$(nproc)"
# Fuzzing comes first: whatever it finds lands in fuzz/regressions/, which the
# native tests replay, so a new crash fails this very run.
if [ "${VUV_FUZZ_SECONDS:-10}" != 0 ]; then
    echo "== Fuzzing (${VUV_FUZZ_SECONDS:-10} s per target)"
    bash scripts/fuzz.sh "${VUV_FUZZ_SECONDS:-10}" || true
fi
native_log=$(mktemp)
(cd build/native && ctest --output-on-failure --timeout 300 "$@") 2>&1 | tee "$native_log" || true

echo "== Windows build"
windir=$(bash scripts/build.sh)

echo "== Windows-side and end-to-end tests under Wine"
# A prefix of the tests' own: its windows are not managed by a window
# manager (there is none on Xvfb, and Wine would wait about two seconds for
# one at every window it hides).
source scripts/wine-env.sh
export WINEPREFIX=$root/build/wineprefix-test-$VUV_WINE_ARCH
vuv_start_display
trap 'vuv_stop_wineserver; [ -n "${VUV_XVFB_PID:-}" ] && kill "$VUV_XVFB_PID" 2>/dev/null || true' EXIT
vuv_init_prefix
vuv_start_wineserver
"$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
wine_log=$(mktemp)
# Each test has a limit of its own (cmake/windows.cmake: 240 s, and the test
# program ends itself after 200 s naming the test); this default is the same.
(cd "$windir" && ctest --output-on-failure --timeout 240 "$@") 2>&1 | tee "$wine_log" || true

# One line over both suites, in ctest's own form.
summary() {  # log -> "failed total"
    local line
    line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -n 1) || true
    if [ -z "$line" ] && grep -q 'No tests were found' "$1"; then echo "0 0"; return; fi  # a filter matched none here
    if [ -z "$line" ]; then echo "1 1"; return; fi
    echo "$(echo "$line" | sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1 \2/')"
}
read -r nf nt < <(summary "$native_log")
read -r wf wt < <(summary "$wine_log")
failed=$((nf + wf))
total=$((nt + wt))
passed=$((total - failed))
pct=0
[ "$total" -gt 0 ] && pct=$((passed * 100 / total))
echo
echo "native: $((nt - nf)) of $nt passed; Wine: $((wt - wf)) of $wt passed"
echo "${pct}% tests passed, ${failed} tests failed out of ${total}"
[ "$failed" -eq 0 ] && [ "$total" -gt 0 ]
