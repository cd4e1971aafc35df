#!/usr/bin/env bash
# The concise display under a window manager (openbox) at 1024 x 768: turned on by the menu,
# the tool bar, the corner hot spot or a click on the bare display, eight times each, the
# window covers the whole screen without bars; turned off it is maximised exactly as at
# start-up. With the settings panel open, a click on the bare display beside it still turns
# the concise display on and off.
# Usage: e2e_concise_display.sh path/to/kvtmr source-dir
set -euo pipefail
E2E_BIN=$(realpath "$1")
HERE=$(dirname "$0")
source "$HERE/lib.sh"
source "$HERE/app.sh"
picture() { python3 "$HERE/picture.py" "$@"; }
for tool in openbox xwininfo xprop import convert; do
    command -v "$tool" >/dev/null || { e2e_log "$tool is not installed: skipped"; exit 77; }
done
e2e_start_xvfb
openbox --config-file /dev/null >"$E2E_TMP/openbox.log" 2>&1 &
E2E_PIDS+=("$!")
e2e_wait_for "the window manager" 20 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'
e2e_app_config
e2e_app_start
wid=$(xdotool search --onlyvisible --name "澄屿计时器" | head -1)
e2e_wait_for "the maximised window" 20 sh -c "xprop -id $wid _NET_WM_STATE | grep -q MAXIMIZED_HORZ"

# "X Y W H / L R T B / STATES" of the main window: its client area, its frame, its states.
place() {
    local info states
    info=$(xwininfo -id "$wid")
    states=$(xprop -id "$wid" _NET_WM_STATE | sed 's/.*= //; s/_NET_WM_STATE_//g; s/[^A-Z_,]//g')
    printf '%s %s %s %s / %s / %s\n' \
        "$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")" \
        "$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")" \
        "$(sed -n 's/.*Width: *//p' <<<"$info")" \
        "$(sed -n 's/.*Height: *//p' <<<"$info")" \
        "$(xprop -id "$wid" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')" "$states"
}
# The place is the given one for a moment, not only in passing (the window manager is done).
settled_at() {
    [ "$(place)" = "$1" ] || return 1
    sleep 0.3
    [ "$(place)" = "$1" ]
}
maximised_and_still() {
    local now
    now=$(place)
    case "$now" in *MAXIMIZED_VERT*) ;; *) return 1 ;; esac
    settled_at "$now"
}
e2e_wait_for "the maximised window to settle" 20 maximised_and_still
start=$(place)
e2e_log "maximised at start-up: $start"
whole="0 0 1024 768 / 0 0 0 0 / FULLSCREEN"

# The rows of the tool bar and the display, from a picture of the window as it starts.
import -window root "$E2E_TMP/start.png"
read -r display_top display_bottom <<<"$(picture display "$E2E_TMP/start.png" 20)"
bar_y=$((display_top - 29 + 14))
e2e_log "display rows $display_top..$display_bottom, tool bar buttons at y $bar_y"

is_whole() { settled_at "$whole"; }
is_start() { settled_at "$start"; }
# The concise display on by one way, off by another; both places checked.
round() {
    local on="$1" off="$2" n="$3"
    $on
    e2e_wait_for "the whole screen ($on, round $n)" 20 is_whole ||
        e2e_fail "concise display by $on, round $n: $(place)"
    $off
    e2e_wait_for "the maximised window again ($off, round $n)" 20 is_start ||
        e2e_fail "concise display ended by $off, round $n: $(place), want $start"
}
by_menu() {
    # 系统, then its sixth item 简洁显示开关.
    xdotool mousemove 28 $((display_top - 29 - 12)) click 1
    sleep 0.3
    xdotool key Down Down Down Down Down Down Return
}
by_tool_bar() { xdotool mousemove 154 "$bar_y" click 1; }
by_hot_spot() {
    local top=$display_top
    [ "$(place)" = "$whole" ] && top=0
    xdotool mousemove 970 $((top + 40)) click 1
}
by_bare_display() { xdotool mousemove 40 500 click 1; }

for n in 1 2 3 4 5 6 7 8; do
    round by_menu by_bare_display "$n"
    round by_tool_bar by_bare_display "$n"
    round by_hot_spot by_hot_spot "$n"
    round by_bare_display by_bare_display "$n"
done
e2e_log "32 rounds: the whole screen each time, maximised as at start-up after each"
import -window root "$E2E_TMP/after.png"
read -r top bottom <<<"$(picture display "$E2E_TMP/after.png" 20)"
[ "$top $bottom" = "$display_top $display_bottom" ] ||
    e2e_fail "the display is at rows $top..$bottom after the rounds, $display_top..$display_bottom at start-up"

# The settings panel open: the strips of bare display left of, right of and below it.
xdotool mousemove 39 "$bar_y" click 1
panel_open() {
    import -window root "$E2E_TMP/panel.png"
    [ "$(picture box "$E2E_TMP/panel.png" 215 228 242)" != none ]
}
e2e_wait_for "the settings panel" 20 panel_open
read -r pl pt pr pb <<<"$(picture box "$E2E_TMP/panel.png" 215 228 242)"
e2e_log "settings panel at $pl,$pt..$pr,$pb"
[ $((display_bottom - pb)) -gt 10 ] || e2e_fail "no bare display below the settings panel"
by_strip_below() { xdotool mousemove 20 $(((pb + display_bottom) / 2)) click 1; }
by_strip_left() { xdotool mousemove $((pl / 2)) 400 click 1; }
by_strip_right() { xdotool mousemove $(((pr + 1024) / 2)) 400 click 1; }
round by_strip_below by_strip_left 1
round by_strip_right by_strip_below 2
import -window root "$E2E_TMP/panel.png"
[ "$(picture box "$E2E_TMP/panel.png" 215 228 242)" = "$pl $pt $pr $pb" ] ||
    e2e_fail "the settings panel is not where it was: $(picture box "$E2E_TMP/panel.png" 215 228 242)"
echo "e2e_concise_display: ok"
