#!/usr/bin/env bash
# The real program on screens other than 1024x768: the window fills each screen and the
# display is the 1024x768 picture drawn larger, at one scale for both directions and centred
# across; with two X screens and the second one remembered, the display starts on it, the
# operator's window on the first.
# Usage: e2e_screens.sh path/to/kvtmr source-dir
set -euo pipefail
E2E_BIN=$(realpath "$1")
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/app.sh"
picture() { python3 "$(dirname "$0")/picture.py" "$@"; }

# shot WxH: the program on one screen of that size; leaves the screenshot in $E2E_TMP/WxH.png
# and the display's rows and content box in $display and $box.
shot() {
    local size="$1"
    e2e_start_xvfb "${size}x24"
    [ -s "${E2E_INI:-}" ] || e2e_app_config
    e2e_app_start
    local geometry
    geometry_is() { xdotool search --onlyvisible --name "澄屿计时器" getwindowgeometry | grep -q "Geometry: $1"; }
    e2e_wait_for "the window to fill the $size screen" 20 geometry_is "$size" || {
        xdotool search --onlyvisible --name "澄屿计时器" getwindowgeometry >&2
        return 1
    }
    sleep 1.5 # the clock has drawn its first second
    import -window root "$E2E_TMP/$size.png"
    display=$(picture display "$E2E_TMP/$size.png" 5)
    read -r top bottom <<<"$display"
    box=$(picture content "$E2E_TMP/$size.png" "$((top + 1))" "$((bottom - 1))")
    e2e_log "$size: display rows $display, content $box"
    e2e_stop_pid "$E2E_APP_PID"
    e2e_stop_pid "$E2E_XVFB_PID"
}

shot 1024x768
read -r top0 bottom0 <<<"$display"
read -r l0 t0 r0 b0 <<<"$box"

for size in 1920x1080 1280x1024; do
    shot "$size"
    read -r top bottom <<<"$display"
    read -r l t r b <<<"$box"
    width=${size%x*}
    # The scale the display should have, and how far off the measured picture is from it (in
    # per cent of the content's size): its width, its height, its left edge and its top, the
    # picture centred both ways in the display.
    check=$(awk -v W="$width" -v h0=$((bottom0 - top0 + 1)) -v h=$((bottom - top + 1)) \
        -v l0="$l0" -v t0="$t0" -v r0="$r0" -v b0="$b0" -v top0="$top0" \
        -v l="$l" -v t="$t" -v r="$r" -v b="$b" -v top="$top" 'BEGIN {
            s = W / 1024; if (h / h0 < s) s = h / h0
            ox = (W - 1024 * s) / 2; oy = (h - h0 * s) / 2
            w0 = r0 - l0 + 1; ht0 = b0 - t0 + 1
            dw = ((r - l + 1) - s * w0) / (s * w0) * 100
            dh = ((b - t + 1) - s * ht0) / (s * ht0) * 100
            dl = (l - (ox + s * l0)) / (s * w0) * 100
            dt = ((t - top) - (oy + s * (t0 - top0))) / (s * ht0) * 100
            bad = (dw > 4 || dw < -4 || dh > 4 || dh < -4 || dl > 3 || dl < -3 || dt > 3 || dt < -3)
            printf "%s scale %.3f: width %+.1f%%, height %+.1f%%, left %+.1f%%, top %+.1f%%\n",
                bad ? "off" : "ok", s, dw, dh, dl, dt
        }')
    e2e_log "$size: $check"
    case "$check" in ok*) ;; *) e2e_fail "$size: the display is not the design at its scale: $check" ;; esac
done

# Two X screens; the second one chosen before: the display comes up on it, filling it, and the
# operator's window on the first.
cat >"$XDG_CONFIG_HOME/kvtmr-options.ini" <<'OPTIONS'
screen.name=screen
screen.model=
screen.serial=
screen.size=1920x1080
OPTIONS
e2e_start_xvfb 1024x768x24 1920x1080x24
e2e_app_start
on_second() {
    xdotool search --screen 1 --onlyvisible --name "澄屿计时器" getwindowgeometry | grep -q "Geometry: 1920x1080"
}
e2e_wait_for "the window on the second screen" 20 on_second || {
    xdotool search --onlyvisible --name "澄屿计时器" getwindowgeometry >&2 || true
    e2e_fail "the program did not start on the remembered screen"
}
if xdotool search --screen 1 --onlyvisible --name "V2.01" >/dev/null 2>&1; then
    e2e_fail "the operator's window is on the display's screen"
fi
operator_on_first() {
    xdotool search --screen 0 --onlyvisible --name "V2.01" getwindowgeometry | grep -q "Geometry: 1024x768"
}
e2e_wait_for "the operator's window on the first screen" 20 operator_on_first ||
    e2e_fail "the operator's window is not on the first screen"
echo "e2e_screens: ok"
