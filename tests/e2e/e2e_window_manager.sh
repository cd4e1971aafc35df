#!/usr/bin/env bash
# The real program under Xvfb with a window manager (openbox): the window opens maximised, and
# restored it has its design size with the whole frame, title bar included, on the screen.
# Usage: e2e_window_manager.sh path/to/kvtmr source-dir
set -euo pipefail
E2E_BIN=$(realpath "$1")
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/app.sh"
for tool in openbox wmctrl xwininfo xprop; do
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

wmctrl -i -r "$wid" -b remove,maximized_vert,maximized_horz
e2e_wait_for "the restored window" 20 sh -c "! xprop -id $wid _NET_WM_STATE | grep -q MAXIMIZED"
# The window settles at the form's size, 1024 x 738 with its frame, wholly on the screen.
outer_is_design() {
    local info w h l r t b
    info=$(xwininfo -id "$wid")
    w=$(echo "$info" | sed -n 's/.*Width: *//p')
    h=$(echo "$info" | sed -n 's/.*Height: *//p')
    read -r l r t b < <(xprop -id "$wid" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,/ /g')
    [ $((w + l + r)) -eq 1024 ] && [ $((h + t + b)) -eq 738 ]
}
e2e_wait_for "the design size 1024 x 738" 20 outer_is_design || {
    xwininfo -id "$wid" >&2
    xprop -id "$wid" _NET_FRAME_EXTENTS >&2
    e2e_fail "the restored window does not have its design size"
}
sleep 0.5
outer_is_design || e2e_fail "the restored window did not keep its size"
info=$(xwininfo -id "$wid")
x=$(echo "$info" | sed -n 's/.*Absolute upper-left X: *//p')
y=$(echo "$info" | sed -n 's/.*Absolute upper-left Y: *//p')
w=$(echo "$info" | sed -n 's/.*Width: *//p')
h=$(echo "$info" | sed -n 's/.*Height: *//p')
read -r left right top bottom < <(xprop -id "$wid" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,/ /g')
e2e_log "restored: client ${w}x${h} at $x,$y, frame extents $left $right $top $bottom"
[ $((y - top)) -ge 0 ] || e2e_fail "the title bar is off the screen (client top $y, title bar $top)"
[ $((x - left)) -ge 0 ] || e2e_fail "the frame is off the left edge"
[ $((x + w + right)) -le 1024 ] || e2e_fail "the frame is off the right edge"
[ $((y + h + bottom)) -le 768 ] || e2e_fail "the frame is off the bottom edge"
echo "e2e_window_manager: ok"
