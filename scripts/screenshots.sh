#!/usr/bin/env bash
# Takes the README's screenshots from the real program under Xvfb:
#   clock.png (usage mode 时钟), timing.png (计时), both.png (同显), settings.png (the settings
#   panel open), concise.png (the concise display), all at 1024 × 768; clock-1920.png and
#   timing-1920.png, the same two on a 1920 × 1080 screen.
# Usage: scripts/screenshots.sh [path/to/kvtmr] [output dir]
set -euo pipefail
cd "$(dirname "$0")/.."
BIN=${1:-build/src/app/kvtmr}
OUT=${2:-docs/screenshots}
mkdir -p "$OUT"
for tool in Xvfb xdotool import; do
    command -v "$tool" >/dev/null || { echo "screenshots: $tool is missing (make deps)" >&2; exit 1; }
done

WORK=$(mktemp -d)
DISP=:$((90 + RANDOM % 9))
XVFB=""
APP=""
screen() {  # screen <width>x<height>: a fresh Xvfb of that size
    [ -n "$XVFB" ] && { kill "$XVFB" 2>/dev/null || true; wait "$XVFB" 2>/dev/null || true; }
    Xvfb "$DISP" -screen 0 "$1x24" -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
    XVFB=$!
    wait_for xdpyinfo -display "$DISP" >/dev/null 2>&1 || sleep 1
}
cleanup() {
    [ -n "$APP" ] && kill "$APP" 2>/dev/null || true
    [ -n "$XVFB" ] && kill "$XVFB" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT
export DISPLAY=$DISP
export XDG_CONFIG_HOME=$WORK/config XDG_RUNTIME_DIR=$WORK/runtime
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
INI=$XDG_CONFIG_HOME/kvtmr201.ini

wait_for() {  # wait_for <command...>: up to 20 s
    for _ in $(seq 1 200); do "$@" && return 0; sleep 0.1; done
    return 1
}
start() {
    "$BIN" >"$WORK/app.log" 2>&1 &
    APP=$!
    wait_for xdotool search --name "澄屿计时器" >/dev/null
    sleep 1.5   # let the first clock tick and the fonts settle
}
stop() {
    kill -TERM "$APP"
    wait "$APP" || true
    APP=""
}
set_line() {  # set_line <line> <value>: one line of the settings file (CR LF kept)
    sed -i "$1s/.*/$2\r/" "$INI"
}
mode() {  # mode <timing> <clock> <both>
    set_line 118 "$1"
    set_line 119 "$2"
    set_line 120 "$3"
}

screen 1024x768
start            # first start writes the factory settings
stop
set_line 115 0   # do not close by itself while the pictures are taken
set_line 14 1    # show the title line

mode 0 1 0
start
import -window root "$OUT/clock.png"
xdotool mousemove 39 45 click 1    # tool-bar button "开/关设置面板"
sleep 0.8
import -window root "$OUT/settings.png"
stop

mode 1 0 0
start
import -window root "$OUT/timing.png"
xdotool mousemove 60 700 click 1   # the bare black display: concise display
sleep 1
import -window root "$OUT/concise.png"
stop

# Side by side: the clock at the top, the timer below it.
mode 0 0 1
set_line 87 8
set_line 94 330
start
import -window root "$OUT/both.png"
stop

# A 1920 × 1080 projector: the same design at its scale, centred.
screen 1920x1080
set_line 87 8
set_line 94 328
mode 0 1 0
start
import -window root "$OUT/clock-1920.png"
stop
mode 1 0 0
start
import -window root "$OUT/timing-1920.png"
stop
echo "screenshots: written to $OUT"
