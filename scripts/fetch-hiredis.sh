#!/usr/bin/env bash
# Fetches the source of the Redis client library (hiredis 1.2.0, Debian 13's
# source package) into build/third_party/, for the Windows build to compile
# with the MinGW-w64 toolchain. Debian 12 packages only 0.14, which does not
# build for Windows.
#
# apt downloads it through a private configuration of its own (a sources
# list, package lists and cache under build/third_party/apt), so the
# system's sources stay as they are. The host is the one the system already
# uses for Debian.
#
#   scripts/fetch-hiredis.sh [dest]   prints the unpacked source folder
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dest=${1:-$root/build/third_party}
version=1.2.0
src=$dest/hiredis-$version
if [ -f "$src/hiredis.h" ]; then echo "$src"; exit 0; fi

# The Debian mirror this machine uses (deb822 or one-line form), else the default.
mirror=$(grep -hoE 'https?://[^ ]+/debian/?( |$)' /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null \
         | grep -v security | head -n 1 | tr -d ' ') || true
mirror=${mirror:-http://deb.debian.org/debian}
mirror=${mirror%/}

apt=$dest/apt
mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/download"
keyring=/usr/share/keyrings/debian-archive-keyring.gpg
echo "deb-src [signed-by=$keyring] $mirror trixie main" > "$apt/sources.list"
opts=(-o "Dir::Etc::sourcelist=$apt/sources.list" -o "Dir::Etc::sourceparts=-"
      -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o "Debug::NoLocking=1"
      -o "APT::Sandbox::User=$(id -un)")
apt-get -q "${opts[@]}" update >&2
(cd "$apt/download" && apt-get -q "${opts[@]}" source --download-only "hiredis=$version-*" >&2 \
    || apt-get -q "${opts[@]}" source --download-only hiredis >&2)
orig=$(ls "$apt/download"/hiredis_"$version".orig.tar.* | head -n 1)
tar -xf "$orig" -C "$dest"
[ -f "$src/hiredis.h" ] || { echo "fetch-hiredis: $orig did not hold hiredis-$version" >&2; exit 1; }
echo "$src"
