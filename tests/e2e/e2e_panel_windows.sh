#!/usr/bin/env bash
# The settings panel and the windows it opens, under a window manager (openbox), at 1024 x 768
# and at 800 x 600: each font sample window lies wholly on the screen beside its button (at
# the form's place where that fits), and the window manager may close it; the help window
# opens wholly on the screen; at 800 x 600 the panel scrolls both ways with the wheel, and
# 使用方式 计时 then 确定, chosen with the mouse, take effect.
# Usage: e2e_panel_windows.sh path/to/kvtmr source-dir
set -euo pipefail
E2E_BIN=$(realpath "$1")
HERE=$(dirname "$0")
source "$HERE/lib.sh"
source "$HERE/app.sh"
picture() { python3 "$HERE/picture.py" "$@"; }
for tool in openbox wmctrl xwininfo xprop import convert; do
    command -v "$tool" >/dev/null || { e2e_log "$tool is not installed: skipped"; exit 77; }
done
PANEL_COLOUR="215 228 242"

# "X Y W H" of a window's frame (its client area and the frame the window manager drew).
frame_of() {
    local info l r t b
    info=$(xwininfo -id "$1")
    read -r l r t b < <(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,/ /g')
    echo "$(($(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info") - l))" \
        "$(($(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info") - t))" \
        "$(($(sed -n 's/.*Width: *//p' <<<"$info") + l + r))" \
        "$(($(sed -n 's/.*Height: *//p' <<<"$info") + t + b))"
}
# The window has a frame and keeps it where it is for a moment (the window manager is done).
framed_and_still() {
    xprop -id "$1" _NET_FRAME_EXTENTS | grep -q '=' || return 1
    local a
    a=$(frame_of "$1")
    sleep 0.3
    [ "$a" = "$(frame_of "$1")" ]
}
visible_window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }
has_window() { [ -n "$(visible_window "$1")" ]; }
no_window() { [ -z "$(visible_window "$1")" ]; }
panel_box() {
    import -window root "$E2E_TMP/shot.png"
    picture box "$E2E_TMP/shot.png" $PANEL_COLOUR
}
panel_shown() { [ "$(panel_box)" != none ]; }
panel_gone() { [ "$(panel_box)" = none ]; }

# start WxH: the program maximised on a screen of that size; sets W H, the main window's
# frame (MX MY) and client area's left edge (CX), the tool bar's button row (BAR_Y).
start() {
    read -r W H <<<"${1/x/ }"
    e2e_start_xvfb "${1}x24"
    openbox --config-file /dev/null >"$E2E_TMP/openbox.log" 2>&1 &
    E2E_PIDS+=("$!")
    E2E_WM_PID=$!
    e2e_wait_for "the window manager" 20 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'
    [ -s "${E2E_INI:-}" ] || e2e_app_config
    e2e_app_start
    MAIN=$(visible_window "澄屿计时器")
    e2e_wait_for "the maximised window" 20 sh -c "xprop -id $MAIN _NET_WM_STATE | grep -q MAXIMIZED_HORZ"
    e2e_wait_for "the maximised window to settle" 20 framed_and_still "$MAIN"
    read -r MX MY _ _ <<<"$(frame_of "$MAIN")"
    CX=$(xwininfo -id "$MAIN" | sed -n 's/.*Absolute upper-left X: *//p')
    import -window root "$E2E_TMP/start.png"
    local top
    read -r top _ <<<"$(picture display "$E2E_TMP/start.png" 20)"
    BAR_Y=$((top - 29 + 14))
    e2e_log "$1: main window frame at $MX,$MY, tool bar buttons at y $BAR_Y"
}
stop() {
    e2e_stop_pid "$E2E_APP_PID"
    e2e_stop_pid "$E2E_WM_PID"
    e2e_stop_pid "$E2E_XVFB_PID"
}

open_settings() {
    xdotool mousemove 39 "$BAR_Y" click 1
    e2e_wait_for "the settings panel" 20 panel_shown
}
# The panel's place (PX PY, its left top corner, on the screen) from its visible part: the edges
# the window does not cut off (it is 1008 x 622).
measure_panel() {
    local l t r b
    read -r l t r b <<<"$(panel_box)"
    if ((l > 0)); then PX=$l; else PX=$((r - 1007)); fi
    if ((t > BAR_Y - 14 + 29)); then PY=$t; else PY=$((b - 621)); fi
}
# The wheel turned COUNT times (BUTTON 4 up, 5 down, 6 left, 7 right) over the panel's scroll
# bar of that direction: the right edge of the window and the bottom edge above the status line.
wheel() {
    local i
    if (($1 <= 5)); then
        xdotool mousemove $((W - 8)) $((H / 2))
    else
        xdotool mousemove $((W / 2)) $((H - 19 - 8))
    fi
    for ((i = 0; i < $2; i++)); do xdotool click "$1"; done
}

# sample NAME GX GY BX BY BW BH: the mouse rests on the font button at (BX,BY) of its group at
# (GX,GY) in the panel; the sample shows, wholly on the screen, not over its button, at the
# form's place where that lies on the screen; the window manager may close it.
sample() {
    local name=$1 gx=$2 gy=$3 bx=$4 by=$5 bw=$6 bh=$7
    local x=$((PX + gx + bx)) y=$((PY + gy + by))
    # Off onto the bare group box first, so that the sample shows afresh.
    xdotool mousemove $((x - 6)) $((y + bh / 2))
    e2e_wait_for "no sample beside $name" 20 no_window "示例"
    xdotool mousemove $((x + bw / 2)) $((y + bh / 2))
    xdotool mousemove_relative 1 0
    e2e_wait_for "the sample of $name" 20 has_window "示例"
    local s fx fy fw fh
    s=$(visible_window "示例")
    e2e_wait_for "the sample of $name to settle" 20 framed_and_still "$s"
    read -r fx fy fw fh <<<"$(frame_of "$s")"
    e2e_log "$W x $H $name: sample frame $fx,$fy ${fw}x$fh, button $x,$y ${bw}x$bh"
    ((fx >= 0 && fy >= 0 && fx + fw <= W && fy + fh <= H)) ||
        e2e_fail "$W x $H $name: the sample is not wholly on the screen"
    ((fx + fw <= x || fx >= x + bw || fy + fh <= y || fy >= y + bh)) ||
        e2e_fail "$W x $H $name: the sample covers its button"
    # The form's place: the sum of the places of Panel1 (0,29), Panel2, the group and the
    # button, less the sample's width, plus 30, from the main window's frame.
    local left=$((MX + PX - CX + gx + bx - fw)) top=$((MY + 29 + PY - (BAR_Y - 14) + gy + by + 30))
    if ((left >= 0 && top >= 0 && left + fw <= W && top + fh <= H)); then
        [ "$fx $fy" = "$left $top" ] ||
            e2e_fail "$W x $H $name: the sample is at $fx,$fy, not at the form's place $left,$top"
    fi
    # Its title bar offers the close box: the window manager closes it.
    local hints
    read -r -a hints < <(xprop -id "$s" _MOTIF_WM_HINTS | sed 's/.*= //; s/,/ /g')
    if ((hints[0] & 1)) && ! ((hints[1] & 0x21)); then
        e2e_fail "$W x $H $name: the sample has no close box (functions ${hints[1]})"
    fi
    wmctrl -i -c "$s"
    e2e_wait_for "the sample of $name to close" 20 no_window "示例"
}

# The help window opens wholly on the screen; at 1024 x 768 at its form place.
help_window() {
    xdotool mousemove 466 "$BAR_Y" click 1
    e2e_wait_for "the help window" 20 has_window "使用帮助"
    local h fx fy fw fh
    h=$(visible_window "使用帮助")
    e2e_wait_for "the help window to settle" 20 framed_and_still "$h"
    read -r fx fy fw fh <<<"$(frame_of "$h")"
    e2e_log "$W x $H: help frame $fx,$fy ${fw}x$fh"
    ((fx >= 0 && fy >= 0 && fx + fw <= W && fy + fh <= H)) ||
        e2e_fail "$W x $H: the help window is not wholly on the screen"
    if ((W == 1024)); then
        [ "$fx $fy" = "5 119" ] || e2e_fail "the help window is not at its form place 5,119"
    fi
    wmctrl -i -c "$h"
    e2e_wait_for "the help window to close" 20 no_window "使用帮助"
}

# ---- 1024 x 768 ----------------------------------------------------------------------------
start 1024x768
open_settings
measure_panel
e2e_log "settings panel at $PX,$PY"
sample BitBtn29 637 379 222 33 128 26
sample BitBtn35 637 379 222 60 128 26
sample BitBtn40 637 379 222 87 128 26
sample BitBtn28 5 379 330 33 58 26
sample BitBtn25 5 379 330 65 58 26
sample BitBtn38 5 7 386 91 58 26
xdotool mousemove 39 "$BAR_Y" click 1
e2e_wait_for "the settings panel to close" 20 panel_gone
help_window
stop

# ---- 800 x 600 -----------------------------------------------------------------------------
start 800x600
open_settings
measure_panel
sample BitBtn28 5 379 330 33 58 26
sample BitBtn25 5 379 330 65 58 26
sample BitBtn38 5 7 386 91 58 26
# Across to the right edge, then down: the wheel over the panel's scroll bars.
wheel 7 30
wheel 5 30
measure_panel
e2e_log "scrolled to the right and down: the panel at $PX,$PY"
((PX + 1008 <= W && PY + 622 <= H)) || e2e_fail "the panel's bottom right corner is out of sight"
sample BitBtn29 637 379 222 33 128 26
sample BitBtn35 637 379 222 60 128 26
sample BitBtn40 637 379 222 87 128 26
# 使用方式 计时 at the top right, then 确定 at the bottom right, with the mouse.
wheel 4 30
measure_panel
xdotool mousemove $((PX + 885 + 14 + 8)) $((PY + 7 + 32 + 10)) click 1
wheel 5 30
measure_panel
xdotool mousemove $((PX + 890 + 38)) $((PY + 580 + 14)) click 1
e2e_wait_for "the settings panel to close at 确定" 20 panel_gone
[ "$(sed -n '118p' "$E2E_INI" | tr -d '\r')" = 1 ] && [ "$(sed -n '119p' "$E2E_INI" | tr -d '\r')" = 0 ] ||
    e2e_fail "确定 did not store the usage mode 计时: lines 118-120 $(sed -n '118,120p' "$E2E_INI" | tr -d '\r' | tr '\n' ' ')"
help_window
stop
echo "e2e_panel_windows: ok"
