#!/usr/bin/env bash
# A day of two sessions from the plan beside the settings, at the real window, with the clock
# set to 08:59:52 by libfaketime: 语文 at 09:00:00 for 10 s with 5 s of preparation, 数学 at
# 09:00:25 for 10 s. Nobody touches the program. The preparation runs from 08:59:55, each count
# starts on its second with its title and times on the board (whole, within the display),
# the time-up state stays between the sessions, and each session is noted as started once.
# Usage: e2e_plan_day.sh path/to/kvtmr source-dir
set -euo pipefail
E2E_BIN=$(realpath "$1")
HERE=$(dirname "$0")
source "$HERE/lib.sh"
source "$HERE/app.sh"
command -v faketime >/dev/null || { echo "e2e_plan_day: faketime is missing; skipped"; exit 77; }
export TZ=UTC XDG_DATA_HOME="$E2E_TMP/data"
e2e_start_xvfb
e2e_app_config
e2e_set_line 6 0   # no interval chime
e2e_set_line 12 0  # no background music
e2e_set_line 111 0 # no schedule
e2e_set_line 118 1 # usage mode 计时
e2e_set_line 119 0
cat >"$XDG_CONFIG_HOME/kvtmr-plan.json" <<'EOF'
{"v":1,"rev":1,"by":"e2e","sessions":[
 {"id":"yuwen","title":"语文","start":"2026-12-10T09:00:00.000+00:00","duration":10,"prep":5,
  "warning":3,"interval":0},
 {"id":"shuxue","title":"数学","start":"2026-12-10T09:00:25.000+00:00","duration":10,"prep":0,
  "warning":0,"interval":0}]}
EOF

started=$(date +%s.%N)
e2e_app_start faketime -f "@2026-12-10 08:59:52"
# Screenshots at given seconds of the faked clock (08:59:52 + t).
shot_at() {
    local t="$1" name="$2"
    local wait
    wait=$(python3 -c "import time; print(max(0.0, $started + $t - time.time()))")
    sleep "$wait"
    import -window root "$E2E_TMP/$name.png"
}
shot_at 5.6 prep        # 08:59:57.6: the preparation counts
shot_at 11.5 yuwen      # 09:00:03.5: 语文 counts
shot_at 21.5 timeup     # 09:00:13.5: 语文's time is up
shot_at 35.5 shuxue     # 09:00:27.5: 数学 counts
shot_at 46.0 end        # 09:00:38: 数学's time is up

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
title_whole shuxue
[ "$(compare -metric AE -fuzz 10% -crop 1024x150+0+55 "$E2E_TMP/yuwen.png" "$E2E_TMP/shuxue.png" null: 2>&1 || true)" != 0 ] ||
    e2e_fail "the board shows the same title for both sessions"

# The session log: each session started on its second, once, by the plan.
log=$(find "$XDG_DATA_HOME" -name 'kvtmr-2026-12-10.log' | head -1)
[ -n "$log" ] || e2e_fail "no session log for the day"
e2e_log "session log:"
sed 's/^/    /' "$log" >&2
for want in '09:00:00.*考试安排：“语文”开始' '09:00:25.*考试安排：“数学”开始'; do
    [ "$(grep -c "$want" "$log")" -eq 1 ] || e2e_fail "the log does not show once: $want"
done
# The plan's own record: both sessions started, none to start again after a restart.
state="$XDG_CONFIG_HOME/kvtmr-plan-state.ini"
grep -q 'yuwen' "$state" && grep -q 'shuxue' "$state" ||
    e2e_fail "the plan's record lacks a session: $(cat "$state" 2>/dev/null)"
kill -0 "$E2E_APP_PID" || e2e_fail "the program ended during the day"
echo "e2e_plan_day: ok"
