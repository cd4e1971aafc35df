#!/usr/bin/env bash
# The real program on two X screens, nothing chosen yet: the display has a window of its own
# filling the second screen (no menu, tool bar or status line on it), the operator's window
# keeps the first. During a preparation count with the settings panel open on the operator's
# screen, the projector's screenshot shows only the display, and it steps with the count.
# Usage: e2e_audience_screen.sh path/to/kvtmr source-dir
set -euo pipefail
E2E_BIN=$(realpath "$1")
HERE=$(dirname "$0")
source "$HERE/lib.sh"
source "$HERE/app.sh"
picture() { python3 "$HERE/picture.py" "$@"; }
for tool in import convert md5sum; do
    command -v "$tool" >/dev/null || { e2e_log "$tool is not installed: skipped"; exit 77; }
done

e2e_start_xvfb 1024x768x24 1024x768x24
e2e_app_config
e2e_app_start
screen0="${DISPLAY%.*}.0"
screen1="${DISPLAY%.*}.1"

# The operator's window on the first screen, the display's window alone on the second.
geometry_on() { xdotool search --screen "$1" --onlyvisible --name "$2" getwindowgeometry; }
operator_on_first() { geometry_on 0 "澄屿计时器  V2.01" | grep -q "Geometry: 1024x768"; }
display_on_second() { geometry_on 1 "澄屿计时器 显示" | grep -q "Geometry: 1024x768"; }
e2e_wait_for "the operator's window on the first screen" 20 operator_on_first ||
    e2e_fail "no operator's window on the first screen: $(geometry_on 0 澄屿计时器 2>&1 || true)"
e2e_wait_for "the display's window on the second screen" 20 display_on_second ||
    e2e_fail "no display on the second screen: $(geometry_on 1 澄屿计时器 2>&1 || true)"
if geometry_on 1 "V2.01" >/dev/null 2>&1; then
    e2e_fail "the operator's window is on the projector's screen"
fi

shoot() { import -display "$1" -window root "$2"; }
sleep 1.5 # the clock has drawn its first second
shoot "$screen0" "$E2E_TMP/operator.png"
read -r display_top display_bottom <<<"$(picture display "$E2E_TMP/operator.png" 5)"
bar_y=$((display_top - 29 + 14))
e2e_log "operator's display rows $display_top..$display_bottom, tool bar at y $bar_y"
click() { xdotool mousemove --screen 0 "$1" "$bar_y" click 1; }

# The preparation panel, its count started, then the settings panel, all from the tool bar of
# the operator's window.
click 108 # 开/关预备计时面板
click 304 # 开始预备计时
settings_open() {
    shoot "$screen0" "$E2E_TMP/operator.png"
    [ "$(picture box "$E2E_TMP/operator.png" 215 228 242)" != none ]
}
click 39 # 开/关设置面板
e2e_wait_for "the settings panel on the operator's screen" 20 settings_open

# The projector: the display from its top row to its bottom row (no bar of any kind), no
# trace of the settings panel, its red texts.
shoot "$screen1" "$E2E_TMP/projector-1.png"
read -r top bottom <<<"$(picture display "$E2E_TMP/projector-1.png" 5)"
[ "$top $bottom" = "0 767" ] || e2e_fail "the projector's display runs over rows $top..$bottom, not 0..767"
[ "$(picture box "$E2E_TMP/projector-1.png" 215 228 242)" = none ] ||
    e2e_fail "the settings panel shows on the projector"
red=$(picture red "$E2E_TMP/projector-1.png" 0 384 1023 767)
[ "$red" -gt 500 ] || e2e_fail "no red text on the projector ($red red pixels)"

# The count steps on the projector while the settings panel stays open.
content_of() { convert "$1" -crop 1024x700+0+0 rgb:- | md5sum; }
first=$(content_of "$E2E_TMP/projector-1.png")
stepped() {
    shoot "$screen1" "$E2E_TMP/projector-2.png"
    [ "$(content_of "$E2E_TMP/projector-2.png")" != "$first" ]
}
e2e_wait_for "the projector to show the next second" 10 stepped ||
    e2e_fail "the projector's picture did not change with the count"
[ "$(picture box "$E2E_TMP/projector-2.png" 215 228 242)" = none ] ||
    e2e_fail "the settings panel shows on the projector"
settings_open || e2e_fail "the settings panel closed by itself"
echo "e2e_audience_screen: ok"
