#!/usr/bin/env bash
# A played prompt reaches the sound output: with the background music and the interval chime
# off, the recording stays silent until Alt+T starts the timer, then holds the whole start prompt.
# Usage: e2e_sound.sh path/to/kvtmr source-dir
set -euo pipefail
E2E_BIN=$(realpath "$1")
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/app.sh"
e2e_start_xvfb
e2e_start_pulse
e2e_app_config
e2e_set_line 6 0      # no interval chime
e2e_set_line 12 0     # no background music
e2e_set_line 111 0    # no schedule
e2e_set_line 118 1    # usage mode 计时
e2e_set_line 119 0
e2e_app_start
sleep 1

e2e_record_start "$E2E_TMP/before.wav"
sleep 2
e2e_record_stop
assert_silent "$E2E_TMP/before.wav"

# Focus the window with a click on the timer panel's heading (a click on the bare display
# would switch the concise display).
xdotool mousemove 506 408 click 1
sleep 0.3
e2e_record_start "$E2E_TMP/start.wav"
xdotool key alt+t
sleep 3
e2e_record_stop
assert_not_silent "$E2E_TMP/start.wav"
assert_heard_in_full "$E2E_TMP/start.wav" "$2/sounds/Ksksly.wav"
echo "e2e_sound: ok"
