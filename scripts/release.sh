#!/usr/bin/env bash
# Builds the release zips from this tree with the 32-bit toolchain:
#   vuv-<version>-win32.zip        vuv.exe, docs/user-guide.html, LICENSE
#   vuv-tools-<version>-win32.zip  the stand-in browser lxbr.exe, its notes, LICENSE
# The version is the project's version in CMakeLists.txt. Only the two
# programs are built (not the tests). Prints the paths of the zips.
#
#   scripts/release.sh [build directory, default build/release]
#
# The same by hand:
#   cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
#   cmake --build build/release --target dist
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build/release}
bash "$root/scripts/setup.sh" >&2
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >&2
rm -f "$dir"/packages/*.zip
cmake --build "$dir" --parallel "$(nproc)" --target dist >&2
ls "$dir"/packages/*.zip
