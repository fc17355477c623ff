#!/usr/bin/env bash
# Builds the Windows programs: build/win32 (the 32-bit vuv.exe users get) and,
# where 32-bit programs cannot run here, build/win64 for running under wine64.
# Prints the directory whose programs run under this machine's Wine.
#
#   scripts/build.sh [target...]     only those targets (default: all)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-env.sh"
jobs=$(nproc)

configure_and_build() {  # dir toolchain targets...
    local dir=$1 toolchain=$2
    shift 2
    cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" >/dev/null
    if [ $# -gt 0 ]; then
        cmake --build "$dir" --parallel "$jobs" --target "$@" >&2
    else
        cmake --build "$dir" --parallel "$jobs" >&2
    fi
}

targets=("$@")
if [ "$VUV_WINE_ARCH" = 32 ]; then
    configure_and_build "$root/build/win32" mingw-i686.cmake "${targets[@]}"
    echo "$root/build/win32"
else
    configure_and_build "$root/build/win32" mingw-i686.cmake vuv lxbr
    configure_and_build "$root/build/win64" mingw-x86_64.cmake "${targets[@]}"
    echo "$root/build/win64"
fi
