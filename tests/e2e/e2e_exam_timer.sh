#!/usr/bin/env bash
# Manual exam timing at the real window: 0 0 0 0 0 6 typed into the main display, Alt+T, and
# the start, warning (lead 3 s) and time-up prompts heard 0, 3 and 7 seconds later, each
# within 50 ms of its whole second.
# Usage: e2e_exam_timer.sh path/to/kvtmr source-dir
set -euo pipefail
E2E_BIN=$(realpath "$1")
HERE=$(dirname "$0")
source "$HERE/lib.sh"
source "$HERE/app.sh"
e2e_start_xvfb
e2e_start_pulse
e2e_app_config
e2e_set_line 6 0      # no interval chime
e2e_set_line 12 0     # no background music
e2e_set_line 63 3     # warning lead 3 秒钟
e2e_set_line 111 0    # no schedule
e2e_set_line 118 1    # usage mode 计时
e2e_set_line 119 0
e2e_app_start
sleep 1

# The first digit box of the main display: window at 0,0; menu 31, tool bar 29; the timer
# panel at 128,328 of the display; its first digit box at 42,56, 72 x 149.
xdotool mousemove 206 518 click 1
sleep 0.3
xdotool type --delay 150 000006
sleep 0.3
e2e_record_start "$E2E_TMP/exam.wav"
xdotool key alt+t
sleep 10
e2e_record_stop

read -r -a onsets <<<"$("$HERE/onsets.py" "$E2E_TMP/exam.wav" -45 0.6)"
echo "e2e_exam_timer: sounds start at ${onsets[*]} s"
[ "${#onsets[@]}" -ge 3 ] || e2e_fail "expected three prompts, heard ${#onsets[@]}"
python3 - "${onsets[@]}" <<'PY'
import sys
t = [float(x) for x in sys.argv[1:4]]
for name, got, want in (("warning", t[1] - t[0], 3.0), ("time-up", t[2] - t[0], 7.0)):
    print("e2e_exam_timer: %s %.3f s after the start prompt (want %.1f)" % (name, got, want))
    if abs(got - want) > 0.05:
        sys.exit("e2e_exam_timer: FAIL: %s off by %.0f ms" % (name, (got - want) * 1000))
PY
echo "e2e_exam_timer: ok"
