#!/usr/bin/env bash
# The exam office's console at the real window, on a real mosquitto broker made as a site's
# is, with three rooms: copies of the program, each with its own settings folder and its own
# X display, the console on a fourth. A102 plays into a sound server of its own whose output
# is muted; A103 runs under libfaketime 0.7 s ahead of the others.
#   - the console shows the three rooms; A102 is shown silent and A103 off time (the alarm's
#     red on their tiles and 无声 and 时间不符 in the console's record);
#   - a site-wide start, then a site-wide pause, each ordered with the keyboard at the console
#     and confirmed in its box: every room stops on one digit (the same digits on the three
#     screens, and the same "shown" in the three rooms' reports);
#   - A101 killed: within 10 s its tile turns to the offline red and the record says 离线.
# Usage: e2e_console_site.sh path/to/kvtmr source-dir (kvtmr-console beside it in the build)
set -euo pipefail
E2E_BIN=$(realpath "$1")
SRC=$(realpath "$2")
HERE=$(dirname "$0")
CONSOLE_BIN=$(realpath "$(dirname "$E2E_BIN")/../console/kvtmr-console")
source "$HERE/lib.sh"
source "$HERE/app.sh"
source "$SRC/scripts/site-broker.sh"
picture() { python3 "$HERE/picture.py" "$@"; }
for tool in faketime mosquitto_sub import convert compare; do
    command -v "$tool" >/dev/null || { e2e_log "$tool is not installed: skipped"; exit 77; }
done
[ -x "$CONSOLE_BIN" ] || e2e_fail "no console at $CONSOLE_BIN"
e2e_init
SITE=e2e
ROOMS=(A101 A102 A103)
site_broker "$E2E_TMP/broker" "$SITE" office1 watch1 "${ROOMS[@]}" || e2e_fail "the broker did not start"
E2E_PIDS+=("$SITE_BROKER_PID")
e2e_log "broker on 127.0.0.1:$SITE_PORT"

# The sound server of A101 and A103, and a second one for A102 with its output muted.
e2e_start_pulse
shared_pulse=$PULSE_SERVER
muted_dir="$E2E_TMP/pulse-muted"
mkdir -p "$muted_dir/home" "$muted_dir/runtime"
chmod 700 "$muted_dir/runtime"
HOME="$muted_dir/home" XDG_RUNTIME_DIR="$muted_dir/runtime" \
    pulseaudio -n --daemonize=no --use-pid-file=no --exit-idle-time=-1 --realtime=no \
    --high-priority=no --disable-shm=yes --log-target=file:"$muted_dir/pulse.log" \
    --load="module-native-protocol-unix socket=$muted_dir/runtime/native auth-anonymous=1" \
    --load="module-null-sink sink_name=muted" </dev/null >/dev/null 2>&1 &
E2E_PIDS+=("$!")
muted_pulse="unix:$muted_dir/runtime/native"
e2e_wait_for "the second sound server" 20 env PULSE_SERVER="$muted_pulse" pactl info
PULSE_SERVER=$muted_pulse pactl set-default-sink muted
PULSE_SERVER=$muted_pulse pactl set-sink-mute muted 1

# One set of factory settings (no background music, no schedule, the usage mode 计时),
# copied into each room's folder with the room's link.
e2e_app_config
e2e_set_line 12 0
e2e_set_line 111 0
e2e_set_line 118 1
e2e_set_line 119 0
factory="$XDG_CONFIG_HOME"
declare -A DISPLAY_OF PID_OF
start_room() {
    local room=$1 pulse=$2 dir="$E2E_TMP/$1"
    shift 2
    mkdir -p "$dir/runtime" "$dir/work" "$dir/data"
    chmod 700 "$dir/runtime"
    cp -r "$factory" "$dir/config"
    rm -f "$dir/config/kvtmr.lock"
    site_room_options "$dir/config/kvtmr-options.ini" "$SITE" "$room"
    e2e_start_xvfb
    DISPLAY_OF[$room]=$DISPLAY
    (cd "$dir/work" && XDG_CONFIG_HOME="$dir/config" XDG_DATA_HOME="$dir/data" \
        XDG_RUNTIME_DIR="$dir/runtime" PULSE_SERVER=$pulse exec "$@" "$E2E_BIN" \
        >"$dir/kvtmr.log" 2>&1) &
    PID_OF[$room]=$!
    E2E_PIDS+=("$!")
}

# The console, logged in as office1, on a screen of its own.
e2e_start_xvfb 1280x800x24
console_display=$DISPLAY
cdir="$E2E_TMP/console"
mkdir -p "$cdir/data"
site_console_options "$cdir/config/kvtmr/kvtmr-console.ini" "$SITE" office1
XDG_CONFIG_HOME="$cdir/config" XDG_DATA_HOME="$cdir/data" PULSE_SERVER=$shared_pulse \
    "$CONSOLE_BIN" >"$cdir/console.log" 2>&1 &
E2E_PIDS+=("$!")
console_window() { DISPLAY=$console_display xdotool search --onlyvisible --name "澄屿考务台" | head -1; }
e2e_wait_for "the console's window" 30 console_window
RECORD="$cdir/data/kvtmr/kvtmr-console-log.csv"

start_room A101 "$shared_pulse"
start_room A102 "$muted_pulse"
start_room A103 "$shared_pulse" faketime -f "+0.7s"

# The rooms' reports as the broker keeps them (retained), read as the observer watch1 (the
# broker takes the user name for the client's: office1 here would put the console off).
report() {
    mosquitto_sub -h 127.0.0.1 -p "$SITE_PORT" -u watch1 -P "${SITE_PW[watch1]}" -t "kvtmr/v1/$SITE/room/$1/reported" -C 1 -W 3 2>/dev/null
}
field() { python3 -c 'import json,sys; d=json.load(sys.stdin); print(eval(sys.argv[1]))' "$1"; }
recorded() { [ -f "$RECORD" ] && grep -q "$1" "$RECORD"; }
for room in "${ROOMS[@]}"; do
    e2e_wait_for "$room's report" 30 report "$room"
done
# room_says ROOM EXPRESSION: the room's report makes the Python expression over it (d) true.
room_says() {
    report "$1" >"$E2E_TMP/report-$1.json" || return 1
    field "$2" <"$E2E_TMP/report-$1.json" | grep -qx True
}
e2e_wait_for "A102's report of a muted output" 30 room_says A102 'd["audio"]["output"] == "muted"' ||
    e2e_fail "A102 reports $(cat "$E2E_TMP/report-A102.json")"
e2e_wait_for "A103's report of a clock 0.7 s off" 30 room_says A103 'abs(d["clock"]["offsetMs"]) > 500' ||
    e2e_fail "A103 reports $(cat "$E2E_TMP/report-A103.json")"

# The tiles of a shade: their box on the wall, below the console's header, orders and tabs
# ("none" when no tile has it).
console_shot() {
    DISPLAY=$console_display import -window root "$E2E_TMP/$1.png"
    convert "$E2E_TMP/$1.png" -crop 1280x500+0+150 +repage "$E2E_TMP/$1-wall.png"
}
tiles_of() { picture box "$E2E_TMP/$1-wall.png" "${@:2}"; }
ALARM="229 57 53"
OFFLINE="183 28 28"
alarm_tiles() {
    console_shot alarms
    [ "$(tiles_of alarms $ALARM)" != none ]
}
e2e_wait_for "the alarm's red on the console's wall" 20 alarm_tiles
read -r al _ ar _ <<<"$(tiles_of alarms $ALARM)"
e2e_log "tiles in the alarm's red from x $al to $ar"
# Three tiles in a row, each a third of the wall: A102's and A103's in red, A101's not.
((al > 1280 / 3 && ar - al > 1280 / 3)) ||
    e2e_fail "the alarm's red is not on A102's and A103's tiles alone (x $al to $ar)"

# Orders at the console with the keyboard, confirmed with 确定 in their box. The order scope
# is the first control of the window and has the focus at first; after an order the focus is
# back on the order's button.
console_keys() { DISPLAY=$console_display xdotool key --delay 150 "$@"; }
no_box() { ! DISPLAY=$console_display xdotool search --onlyvisible --name "提示信息" >/dev/null; }
confirm_box() { DISPLAY=$console_display xdotool search --onlyvisible --name "提示信息" | head -1; }
# order WHAT KEY...: the keys that reach the order's button, then the button pressed.
order() {
    local what=$1
    shift
    e2e_wait_for "no box on the console" 10 no_box
    DISPLAY=$console_display xdotool windowfocus --sync "$(console_window)"
    console_keys "$@" space
    e2e_wait_for "the console's box to confirm $what" 10 confirm_box
    DISPLAY=$console_display xdotool windowfocus --sync "$(confirm_box)"
    console_keys Return
    e2e_wait_for "the box to close after $what" 10 no_box
    e2e_wait_for "the record of $what" 10 recorded ",office1,$what"
    grep ",office1,$what" "$RECORD" | tail -1 | sed 's/^/e2e: /' >&2
}
# 全部考场 in the scope, then 开始 beside it.
order 开始 Home Down Tab
counting() {
    local r
    for r in "${ROOMS[@]}"; do room_says "$r" 'd["anchor"]["phase"] == "main"' || return 1; done
}
e2e_wait_for "every room counting" 20 counting
# Paused once the count has stepped, so that what the rooms show is not the duration.
e2e_wait_for "A101's count to step" 20 room_says A101 'd["shown"] != "00∶01∶00"'
order 暂停 Tab
paused() {
    local r
    for r in "${ROOMS[@]}"; do room_says "$r" 'd["anchor"].get("paused", False)' || return 1; done
}
e2e_wait_for "every room paused" 20 paused
declare -A SHOWN
for room in "${ROOMS[@]}"; do
    SHOWN[$room]=$(report "$room" | field 'd["shown"]')
    e2e_log "$room reports ${SHOWN[$room]} paused"
done
[ "${SHOWN[A101]}" = "${SHOWN[A102]}" ] && [ "${SHOWN[A101]}" = "${SHOWN[A103]}" ] ||
    e2e_fail "the rooms paused on different digits: ${SHOWN[*]}"
[ "${SHOWN[A101]}" != "00∶00∶00" ] || e2e_fail "the rooms show no count"

# The digits on each room's screen (without the separators, which blink in each room's own
# phase): the same on the three screens.
digits() {
    DISPLAY=${DISPLAY_OF[$1]} import -window root "$E2E_TMP/$1.png"
    convert "$E2E_TMP/$1.png" \( -clone 0 -crop 150x110+160+455 \) \
        \( -clone 0 -crop 150x110+430+455 \) \( -clone 0 -crop 150x110+695+455 \) \
        -delete 0 +repage +append "$E2E_TMP/digits-$1.png"
}
for room in "${ROOMS[@]}"; do digits "$room"; done
lit=$(convert "$E2E_TMP/digits-A101.png" -threshold 30% -format "%[fx:int(w*h*mean)]" info:)
[ "$lit" -gt 2000 ] || e2e_fail "no digits on A101's screen ($lit lit pixels)"
for room in A102 A103; do
    differ=$(compare -metric AE -fuzz 10% "$E2E_TMP/digits-A101.png" "$E2E_TMP/digits-$room.png" null: 2>&1 || true)
    [ "$differ" = 0 ] || e2e_fail "$room's screen does not show A101's paused digits ($differ pixels differ)"
done

# A101 killed: the broker sends its last will, the console shows it offline.
console_shot before-kill
[ "$(tiles_of before-kill $OFFLINE)" = none ] || e2e_fail "a tile is offline before any room ended"
kill -KILL "${PID_OF[A101]}"
killed=$SECONDS
offline_tile() {
    console_shot offline
    [ "$(tiles_of offline $OFFLINE)" != none ]
}
e2e_wait_for "A101's tile in the offline red" 10 offline_tile
e2e_log "A101's tile turned offline red $((SECONDS - killed)) s after the kill"
e2e_wait_for "the record of A101 offline" 10 recorded "A101,离线"

# The record: the alarms of the silent and off-time rooms, the two orders, by office1.
e2e_log "the console's record:"
sed 's/^/    /' "$RECORD" >&2
grep -q "A102.*无声" "$RECORD" || e2e_fail "the record has no silent alarm for A102"
grep -q "A103.*时间不符" "$RECORD" || e2e_fail "the record has no off-time alarm for A103"
echo "e2e_console_site: ok"
