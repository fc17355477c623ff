#!/usr/bin/env bash
# Sets up the machine if needed, builds the panel and starts it under Wine
# with three stand-in browsers to control. On your display when DISPLAY is
# set; otherwise on a private Xvfb, where it saves a screenshot of the main
# window once the panel lists the three browsers and has painted, says
# where, and stops.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
# Only what runs here: the panel, the stand-in browser and the probe that
# says when the panel shows them (not the tests or benchmarks).
windir=$(bash scripts/build.sh vuv lxbr vuvprobe)
source scripts/wine-env.sh

headless=0
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then
    unset DISPLAY
    vuv_start_display
    headless=1
fi
vuv_init_prefix
vuv_start_wineserver

rundir=$root/build/run
mkdir -p "$rundir/logs"
cp "$windir/vuv.exe" "$windir/lxbr.exe" "$rundir/"
export VUV_STANDIN_LOG=$(winepath -w "$rundir/logs" 2>/dev/null || echo "Z:${rundir//\//\\}\\logs")
# Point the panel at the stand-in browser so it does not ask for the path.
browser="Z:${rundir//\//\\}\\lxbr.exe"
printf '[基本设置]\r\n鹭行路径=%s\r\n' "$browser" | iconv -f UTF-8 -t GBK > "$rundir/设置.ini"

pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    vuv_stop_wineserver
    [ -n "${VUV_XVFB_PID:-}" ] && kill "$VUV_XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT

rm -f "$rundir"/logs/* "$rundir/panel.png"  # nothing from an earlier run passes for this one
for n in 1 2 3; do
    title=$(printf '演示浏览器 %s' "$n" | iconv -f UTF-8 -t GBK | od -An -tx1 | tr -d ' \n')
    "$WINE" "$rundir/lxbr.exe" "--standin-title=$title" >/dev/null 2>&1 &
    pids+=($!)
done
# Each stand-in writes its log once its windows exist.
wait_for() {  # seconds command...
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.1
    done
}
logs_ready() { [ "$(ls "$rundir/logs" | wc -l)" -ge 3 ]; }
wait_for 60 logs_ready || echo "warning: not every stand-in browser started" >&2
"$WINE" "$rundir/vuv.exe" >"$rundir/vuv.log" 2>&1 &
vuv=$!
pids+=($vuv)

caption='鹭行vuv测试版'
wid=
find_panel() {
    wid=$(xdotool search --onlyvisible --name "^${caption}\$" 2>/dev/null | head -n 1 || true)
    [ -n "$wid" ]
}
if ! wait_for 60 find_panel; then
    echo "The panel's main window did not appear; see $rundir/vuv.log" >&2
    exit 1
fi

# The panel lists the browsers it finds and paints a moment after its window
# appears: the probe asks the panel itself (tabs, rows of the instance table,
# nothing left to paint), within its own deadline.
if ! probe=$(timeout 180 "$WINE" "$windir/vuvprobe.exe" --rows 3 --seconds 120 2>/dev/null | tr -d '\r'); then
    echo "The panel did not show the three stand-in browsers in time: ${probe:-the probe did not answer}" >&2
    echo "See $rundir/vuv.log" >&2
    exit 1
fi
echo "$probe"

if [ $headless = 1 ]; then
    # What reached the screen: below the menu bar an unpainted window is one
    # flat grey (1 colour), the painted one has the tabs, the table's rows
    # and their texts (about 70). Wine copies a painted window to X a moment
    # later, so this polls too.
    shot=$rundir/panel.png
    colours=0
    shown() {
        import -window "$wid" "$shot" 2>/dev/null || return 1
        colours=$(convert "$shot" -gravity south -crop 100%x80%+0+0 +repage -format %k info: 2>/dev/null || echo 0)
        [ "$colours" -ge 16 ]
    }
    if ! wait_for 30 shown; then
        echo "The screenshot still looks unpainted ($colours colours below the menu bar): $shot" >&2
        exit 1
    fi
    echo "checked: the screenshot has $colours colours below the menu bar (unpainted: 1)"
    echo "The panel ran with three stand-in browsers; screenshot: $shot"
else
    echo "The panel is running (close it to stop the stand-in browsers)."
    wait "$vuv" || true
fi
