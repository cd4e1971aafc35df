#!/usr/bin/env bash
# What the operator learns before a count: the ticked sound files that cannot be played come
# in one message at start-up, and a muted, silent or missing default output shows on the
# status line (in red after its two sections) until it plays again.
# Usage: e2e_sound_check.sh path/to/kvtmr source-dir
set -euo pipefail
E2E_BIN=$(realpath "$1")
HERE=$(dirname "$0")
source "$HERE/lib.sh"
source "$HERE/app.sh"
e2e_start_xvfb
e2e_start_pulse
e2e_app_config
echo "no sound here" >"$E2E_TMP/work/text.wav"
: >"$E2E_TMP/work/empty.wav"
e2e_set_line 7 text.wav     # the interval sound
e2e_set_line 11 empty.wav   # the time-up sound
e2e_set_line 111 0          # no schedule

boxes() { xdotool search --onlyvisible --name '^澄屿计时器 V2\.01$' 2>/dev/null | wc -l; }
# For e2e_wait_for, which runs its command again and again: the count is taken each time.
boxes_are() { [ "$(boxes)" -eq "$1" ]; }
notice() {
    import -window root "$E2E_TMP/shot.png"
    python3 "$HERE/picture.py" red "$E2E_TMP/shot.png" 612 752 1020 766
}
has_notice() { [ "$(notice)" -gt 20 ]; }
no_notice() { [ "$(notice)" -eq 0 ]; }

e2e_app_start
e2e_wait_for "the message of the sound files" 20 boxes_are 1
# One message names both files; no second box follows when the interval chime fails on the
# clock's next whole minute or second.

sleep 2
[ "$(boxes)" -eq 1 ] || e2e_fail "more than one message for the sound files"
xdotool key Return
e2e_wait_for "the message to close" 10 boxes_are 0
no_notice || e2e_fail "a notice while the output plays"

pactl set-sink-mute @DEFAULT_SINK@ 1
e2e_wait_for "the muted output on the status line" 10 has_notice
pactl set-sink-mute @DEFAULT_SINK@ 0
e2e_wait_for "the notice to go" 10 no_notice

pactl set-sink-volume @DEFAULT_SINK@ 0
e2e_wait_for "an output at volume 0 on the status line" 10 has_notice
pactl set-sink-volume @DEFAULT_SINK@ 50%
e2e_wait_for "the notice to go" 10 no_notice

# The only output goes away (its module unloaded) and comes back.
pactl unload-module "$(pactl list short modules | awk '/module-null-sink/ {print $1; exit}')"
e2e_wait_for "the missing output on the status line" 10 has_notice
pactl load-module module-null-sink sink_name=kvtmr_null >/dev/null
e2e_wait_for "the notice to go" 10 no_notice
echo "e2e_sound_check: ok"
