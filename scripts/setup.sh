#!/usr/bin/env bash
# Installs what building, running and testing the panel need on Debian 12,
# only what is missing: compilers (native and MinGW-w64), GoogleTest, Boost
# (header-only: HTTP, sockets and JSON for the automation interface), Wine,
# Xvfb, a zh_CN.UTF-8 locale (ANSI code page 936 under Wine), a CJK font, and
# the Redis server the shared-queue tests start (the client library's source
# is fetched by scripts/fetch-hiredis.sh when the Windows build is configured).
# Needs root (or sudo) when something is missing.
set -euo pipefail

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
want() { for p in "$@"; do have "$p" || need+=("$p"); done; }

want cmake ninja-build g++ googletest libgtest-dev python3 libboost1.81-dev \
     g++-mingw-w64-i686 g++-mingw-w64-x86-64 \
     wine wine64 xvfb x11-utils x11-apps xdotool imagemagick \
     locales fonts-wqy-microhei clang libclang-rt-14-dev \
     redis-server redis-tools
# The Python client's tests install it with pip, offline, into a venv.
want python3-pip python3-setuptools python3-wheel python3-venv

# 32-bit Wine needs a kernel that runs 32-bit programs; some kernels have
# IA-32 emulation switched off, and there only the 64-bit build runs.
can32=0
probe=$(mktemp)
base64 -d > "$probe" <<'ELF'
f0VMRgEBAQAAAAAAAAAAAAIAAwABAAAAVIAECDQAAAAAAAAAAAAAADQAIAABAAAAAAAAAAEAAAAAAAAAAIAECACABAhdAAAAXQAAAAUAAAAAEAAAMdu4AQAAAM2A
ELF
chmod +x "$probe"
if "$probe" 2>/dev/null; then can32=1; fi
rm -f "$probe"
if [ $can32 = 1 ]; then
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        need_i386=1
    fi
    have wine32:i386 || need+=("wine32:i386")
fi

sudo_cmd=()
[ "$(id -u)" = 0 ] || sudo_cmd=(sudo)

if [ ${#need[@]} -gt 0 ]; then
    echo "Installing: ${need[*]}"
    [ "${need_i386:-0}" = 1 ] && "${sudo_cmd[@]}" dpkg --add-architecture i386
    "${sudo_cmd[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${need[@]}" \
        || DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q "${need[@]}"
fi

# Wine takes its ANSI code page from the Unix locale: zh_CN.UTF-8 gives 936,
# en_US.UTF-8 gives 1252 (the tests run browsers and the panel under both).
for loc in zh_CN en_US; do
    if ! locale -a 2>/dev/null | grep -qi "^$loc\.utf-\?8\$"; then
        "${sudo_cmd[@]}" localedef -i "$loc" -f UTF-8 "$loc.UTF-8"
    fi
done
