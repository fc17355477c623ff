# Sourced by the scripts that run Windows programs: one quiet Wine prefix with
# the ANSI code page 936, and a display (Xvfb when none is given).
#
# 32-bit Linux programs cannot run on kernels without IA-32 emulation, and the
# 32-bit Wine loader is one; such machines run the 64-bit build under wine64.

VUV_ROOT=${VUV_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEDEBUG=${WINEDEBUG:--all,err+seh}
# No Mono or Gecko installs, no desktop menus, and no debugger when a program
# crashes: the crash ends the process instead of waiting in winedbg.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=;winemenubuilder.exe,winedbg.exe=d"}
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8

vuv_can_run_32bit() {
    [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

if [ -z "${WINE:-}" ]; then
    if [ "${VUV_WINE_ARCH:-}" = 32 ] || { [ -z "${VUV_WINE_ARCH:-}" ] && vuv_can_run_32bit; }; then
        export WINE=/usr/lib/wine/wine WINEARCH=win32 VUV_WINE_ARCH=32
    else
        export WINE=/usr/lib/wine/wine64 WINEARCH=win64 VUV_WINE_ARCH=64
    fi
fi
export WINEPREFIX=${WINEPREFIX:-$VUV_ROOT/build/wineprefix-$VUV_WINE_ARCH}

# A display: the caller's, else a private Xvfb that lives as long as the shell
# that sourced this file (its pid is in VUV_XVFB_PID).
vuv_start_display() {
    if [ -n "${DISPLAY:-}" ] && xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then return 0; fi
    local n
    for n in $(seq 90 120); do
        [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
        Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp -maxclients 1024 >/dev/null 2>&1 &
        VUV_XVFB_PID=$!
        export DISPLAY=:$n
        local deadline=$((SECONDS + 20))
        while [ $SECONDS -lt $deadline ]; do
            xdpyinfo -display "$DISPLAY" >/dev/null 2>&1 && return 0
            sleep 0.1
        done
        echo "Xvfb did not start on :$n" >&2
        return 1
    done
    return 1
}

# Creates the prefix once: no crash dialog, nothing installed on the fly.
vuv_init_prefix() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$(dirname "$WINEPREFIX")"
        "$WINE" wineboot -i >/dev/null 2>&1 || true
        "$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 || true
        /usr/lib/wine/wineserver -w 2>/dev/null || wineserver -w
    fi
    vuv_map_cjk_fonts
    # Start Wine once before anything is timed: the first program after a
    # new prefix or a fresh wineserver can take long.
    timeout 300 "$WINE" cmd.exe /c exit >/dev/null 2>&1 || true
}

# The panel's captions and lists use SimSun ("宋体") or Microsoft YaHei, which
# Wine does not ship: Wine's font replacements give those names the glyphs of
# WenQuanYi Micro Hei (package fonts-wqy-microhei), so Chinese shows as text,
# not boxes. Once per prefix, also in one made before the mapping existed.
vuv_map_cjk_fonts() {
    grep -q '"SimSun"="WenQuanYi Micro Hei"' "$WINEPREFIX/user.reg" 2>/dev/null && return 0
    local reg face
    reg=$(mktemp --suffix=.reg)
    {
        printf 'Windows Registry Editor Version 5.00\r\n\r\n'
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
        for face in SimSun NSimSun 宋体 新宋体 'Microsoft YaHei' 'Microsoft YaHei UI' 微软雅黑; do
            printf '"%s"="WenQuanYi Micro Hei"\r\n' "$face"
        done
    } | { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; } > "$reg"
    "$WINE" reg import "Z:${reg//\//\\}" >/dev/null 2>&1 || true
    rm -f "$reg"
}

# The wineserver program itself (the wrapper scripts force -p0).
vuv_wineserver() {
    local server
    for server in /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver32 "$(command -v wineserver)"; do
        [ -x "$server" ] && { "$server" "$@" 2>/dev/null || true; return 0; }
    done
}

# Keeps one wineserver alive for the prefix: each Wine process then starts in
# about a second instead of several.
vuv_start_wineserver() { vuv_wineserver -p; }
vuv_stop_wineserver() { vuv_wineserver -k; }
