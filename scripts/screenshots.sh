#!/usr/bin/env bash
# Regenerates the README's pictures: runs the end-to-end test that shows
# every page of the panel at 96 and at 144 DPI (with a few rows in each
# list) and the test that shows copies in all three states, which write one
# BMP per page (and one of those states) into VUV_SCREENSHOT_DIR, and converts
# them to PNG in docs/screenshots/, together with the icon at 64 pixels; and
# the shared-queue test that drains one queue with two panels, which writes
# the page 集群 listing both (cluster-two-panels).
# The pictures are never edited by hand: change the panel, run this, commit.
#
#   scripts/screenshots.sh [Windows build directory that runs under this Wine]
#
# Without a directory it sets up and builds as the other scripts do.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if [ $# -ge 1 ]; then
    windir=$(cd "$1" && pwd)
else
    bash scripts/setup.sh >&2
    windir=$(bash scripts/build.sh)
fi
source scripts/wine-env.sh
vuv_start_display
trap 'vuv_stop_wineserver; [ -n "${VUV_XVFB_PID:-}" ] && kill "$VUV_XVFB_PID" 2>/dev/null || true' EXIT
vuv_init_prefix
vuv_start_wineserver

shots=$(mktemp -d)
export VUV_SCREENSHOT_DIR="Z:${shots//\//\\}"
(cd "$windir" && "$WINE" ./vuv_e2e_tests.exe --gtest_filter='Dpi/AppearanceAt.*:Fleet.OneTableShowsRunningHungAndExitedCopiesTogether') >&2
# The page 集群 with two panels of one queue, beside a Redis server of its own.
(cd "$windir" && "$root/scripts/with-redis" ./vuv_queue_tests.exe \
    --gtest_filter='SharedQueueTest.TwoPanelsOnTwoDesktopsDrainOneQueueOpeningEveryEntryOnce') >&2

out=docs/screenshots
mkdir -p "$out"
rm -f "$out"/*.png
count=0
for bmp in "$shots"/*.bmp; do
    [ -e "$bmp" ] || continue
    # No time stamps in the files: the same picture gives the same bytes.
    convert "$bmp" -strip -define png:exclude-chunks=date,time "$out/$(basename "${bmp%.bmp}").png"
    count=$((count + 1))
done
convert "$windir/generated/vuv.ico[6]" -strip -define png:exclude-chunks=date,time "$out/icon-64.png"
rm -rf "$shots"
[ "$count" -gt 0 ] || { echo "the test wrote no pictures" >&2; exit 1; }
echo "$count pictures and the icon in $out"
