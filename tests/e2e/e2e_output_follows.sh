#!/usr/bin/env bash
# The sound follows the desktop's default output without a restart: the program starts on one
# null sink, the default is then switched to a second one (as when headphones are plugged in),
# and the start prompt that Alt+T plays is heard on the second sink and not on the first.
# Usage: e2e_output_follows.sh path/to/kvtmr source-dir
set -euo pipefail
E2E_BIN=$(realpath "$1")
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/app.sh"
e2e_start_xvfb
e2e_start_pulse
pactl load-module module-null-sink sink_name=kvtmr_other >/dev/null
e2e_app_config
e2e_set_line 6 0      # no interval chime
e2e_set_line 12 0     # no background music
e2e_set_line 111 0    # no schedule
e2e_set_line 118 1    # usage mode 计时
e2e_set_line 119 0
e2e_app_start
sleep 1

pactl set-default-sink kvtmr_other
# Qt learns of the new default from the server's change event.
sleep 1

# Focus the window with a click on the timer panel's heading, then start the timer.
xdotool mousemove 506 408 click 1
sleep 0.3
parec -d kvtmr_other.monitor --latency-msec=20 --rate=44100 --channels=2 --format=s16le \
    --file-format=wav "$E2E_TMP/other.wav" </dev/null 2>/dev/null &
other=$!
E2E_PIDS+=("$other")
e2e_wait_for "the second recording to start" 20 _e2e_has_stream source-outputs "$other"
e2e_record_start "$E2E_TMP/first.wav"
xdotool key alt+t
sleep 3
e2e_record_stop
kill -INT "$other"
wait "$other" || true

assert_not_silent "$E2E_TMP/other.wav"
assert_silent "$E2E_TMP/first.wav"
echo "e2e_output_follows: ok"
