#!/usr/bin/env bash
# A day of two sessions from the plan beside the settings, at the real window, in two rooms
# (two copies of the program with their own settings folders, each on its own X display) whose
# clocks libfaketime moves to the same morning: 语文 at 09:00:00 for 30 s with 5 s of
# preparation and a warning 3 s before its end, 数学 at 09:00:45 for 15 s. Nobody touches the
# programs. Room A starts at 08:59:52 and is heard: every prompt comes on its second. Room B starts 20 s later, in the middle of 语文, and shows room A's
# digits. Each count starts with its title and times on the board (whole, within the display),
# and each session is noted as started once.
# Usage: e2e_plan_day.sh path/to/kvtmr source-dir
set -euo pipefail
E2E_BIN=$(realpath "$1")
HERE=$(dirname "$0")
source "$HERE/lib.sh"
source "$HERE/app.sh"
command -v faketime >/dev/null || { echo "e2e_plan_day: faketime is missing; skipped"; exit 77; }
export TZ=UTC XDG_DATA_HOME="$E2E_TMP/data"
e2e_start_xvfb
display_a=$DISPLAY
e2e_start_xvfb
display_b=$DISPLAY
export DISPLAY=$display_a
e2e_start_pulse
e2e_app_config
e2e_set_line 6 0   # no interval chime
e2e_set_line 12 0  # no background music
e2e_set_line 111 0 # no schedule
e2e_set_line 118 1 # usage mode 计时
e2e_set_line 119 0
cat >"$XDG_CONFIG_HOME/kvtmr-plan.json" <<'PLAN'
{"v":1,"rev":1,"by":"e2e","sessions":[
 {"id":"yuwen","title":"语文","start":"2026-12-10T09:00:00.000+00:00","duration":30,"prep":5,
  "warning":3,"interval":0},
 {"id":"shuxue","title":"数学","start":"2026-12-10T09:00:45.000+00:00","duration":15,"prep":0,
  "warning":0,"interval":0}]}
PLAN
# Room B: the same settings and plan in a folder of its own.
config_b="$E2E_TMP/config-b"
cp -r "$XDG_CONFIG_HOME" "$config_b"
rm -f "$config_b/kvtmr.lock"
mkdir -p "$E2E_TMP/runtime-b"
chmod 700 "$E2E_TMP/runtime-b"

# One faked clock for both rooms: the real one moved to 08:59:52 now (whole seconds).
offset=$(($(date -d '2026-12-10 08:59:52 UTC' +%s) - $(date +%s)))
started=$(($(date -d '2026-12-10 08:59:52 UTC' +%s) - offset))
e2e_record_start "$E2E_TMP/room-a.wav"
e2e_app_start faketime -f "+${offset}s"
# until_t T: waits until 08:59:52 + T of the faked clock.
until_t() { sleep "$(python3 -c "import time; print(max(0.0, $started + $1 - time.time()))")"; }
# shot_at T NAME: a screenshot of room A at 08:59:52 + T.
shot_at() {
    until_t "$1"
    import -window root "$E2E_TMP/$2.png"
}
shot_at 5.5 prep # 08:59:57.5: the preparation counts
until_t 20
(cd "$E2E_TMP/work" && DISPLAY=$display_b XDG_CONFIG_HOME=$config_b \
    XDG_RUNTIME_DIR="$E2E_TMP/runtime-b" PULSE_SERVER=unix:/nonexistent \
    exec faketime -f "+${offset}s" "$E2E_BIN" >"$E2E_TMP/app-b.log" 2>&1) &
room_b=$!
E2E_PIDS+=("$room_b")
# 09:00:16.3: 语文 counts in both rooms; both pictures taken at once, well within the second.
until_t 24.3
import -window root "$E2E_TMP/yuwen.png" &
shot_a=$!
DISPLAY=$display_b import -window root "$E2E_TMP/yuwen-b.png" &
shot_b=$!
wait "$shot_a" "$shot_b"
shot_at 40.5 timeup # 09:00:32.5: 语文's time is up
shot_at 57.5 shuxue # 09:00:49.5: 数学 counts
until_t 70          # 09:01:02: 数学's time is up
e2e_record_stop

# The digits of the main count (without the separators, which blink in each room's own
# phase): the same in both rooms.
digits() {
    convert "$1" \( -clone 0 -crop 150x110+160+455 \) \( -clone 0 -crop 150x110+430+455 \) \
        \( -clone 0 -crop 150x110+695+455 \) -delete 0 +repage +append "$2"
}
digits "$E2E_TMP/yuwen.png" "$E2E_TMP/digits-a.png"
digits "$E2E_TMP/yuwen-b.png" "$E2E_TMP/digits-b.png"
lit=$(convert "$E2E_TMP/digits-a.png" -threshold 30% -format "%[fx:int(w*h*mean)]" info:)
[ "$lit" -gt 2000 ] || e2e_fail "no digits of the main count in room A ($lit lit pixels)"
differ=$(compare -metric AE -fuzz 10% "$E2E_TMP/digits-a.png" "$E2E_TMP/digits-b.png" null: 2>&1 || true)
[ "$differ" = 0 ] || e2e_fail "room B, started 20 s later, does not show room A's digits ($differ pixels differ)"

# How many pixels of the title's colour (the factory's red) lie in a box of a picture.
red_in() {
    convert "$1" -crop "$2" +repage -fill white -fuzz 10% +opaque "rgb(255,0,0)" \
        -format "%[fx:int(w*h*(1-mean))]" info:
}
# The board's title: red across the top of the display, nothing of it cut off at the display's
# edges (the first and last 30 columns stay dark).
title_whole() {
    local name="$1" middle edges
    middle=$(red_in "$E2E_TMP/$name.png" 700x130+162+60)
    edges=$(($(red_in "$E2E_TMP/$name.png" 30x130+0+60) + $(red_in "$E2E_TMP/$name.png" 30x130+994+60)))
    e2e_log "$name: $middle red pixels in the title's middle, $edges at the edges"
    [ "$middle" -gt 2000 ] || e2e_fail "$name: no title on the board"
    [ "$edges" -eq 0 ] || e2e_fail "$name: the title is cut off at the display's edges"
}
title_whole yuwen
title_whole yuwen-b
title_whole shuxue
[ "$(compare -metric AE -fuzz 10% -crop 1024x150+0+55 "$E2E_TMP/yuwen.png" "$E2E_TMP/shuxue.png" null: 2>&1 || true)" != 0 ] ||
    e2e_fail "the board shows the same title for both sessions"

# The session log: each session started on its second, once, by the plan.
log=$(find "$XDG_DATA_HOME" -name 'kvtmr-2026-12-10.log' | head -1)
[ -n "$log" ] || e2e_fail "no session log for the day"
e2e_log "session log:"
sed 's/^/    /' "$log" >&2
for want in '09:00:00.*考试安排：“语文”开始' '09:00:45.*考试安排：“数学”开始'; do
    [ "$(grep -c "$want" "$log")" -ge 1 ] || e2e_fail "the log does not show: $want"
done
# The plan's own record: both sessions started, none to start again after a restart.
state="$XDG_CONFIG_HOME/kvtmr-plan-state.ini"
grep -q 'yuwen' "$state" && grep -q 'shuxue' "$state" ||
    e2e_fail "the plan's record lacks a session: $(cat "$state" 2>/dev/null)"
kill -0 "$E2E_APP_PID" || e2e_fail "room A ended during the day"
kill -0 "$room_b" || e2e_fail "room B ended during the day"

# Room A heard, each prompt within 0.1 s of its second counted from 语文's start (which the
# session log puts at 09:00:00): the preparation 5 s before, the warning 27 s after, the time-up
# 31 s after (the tick after 00∶00∶00), 数学's start 45 s after and its time-up 61 s after.
read -r -a onsets <<<"$("$HERE/onsets.py" "$E2E_TMP/room-a.wav" -45 0.6)"
e2e_log "sounds start at ${onsets[*]} s of the recording"
python3 - "${onsets[@]}" <<'PY' || e2e_fail "a prompt was not heard on its second"
import sys
heard = [float(t) for t in sys.argv[1:]]
plan = (("预备", -5.0), ("语文 开始", 0.0), ("语文 预警", 27.0), ("语文 到点", 31.0),
        ("数学 开始", 45.0), ("数学 到点", 61.0))
def misses(start):
    return [(what, min((abs(t - start - at) for t in heard), default=99)) for what, at in plan]
best = min(heard, key=lambda s: max(m for _, m in misses(s)))
for what, miss in misses(best):
    print("e2e_plan_day: %s heard %.0f ms off its second" % (what, miss * 1000))
sys.exit(max(m for _, m in misses(best)) > 0.1)
PY
echo "e2e_plan_day: ok"
