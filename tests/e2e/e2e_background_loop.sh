#!/usr/bin/env bash
# The background music loops: with only the music on, the 16 s default melody is heard again
# after it has played to its end.
# Usage: e2e_background_loop.sh path/to/kvtmr source-dir
set -euo pipefail
E2E_BIN=$(realpath "$1")
HERE=$(dirname "$0")
source "$HERE/lib.sh"
source "$HERE/app.sh"
e2e_start_xvfb
e2e_start_pulse
e2e_app_config
e2e_set_line 6 0      # no interval chime
e2e_set_line 111 0    # no schedule
length=$(soxi -D "$HERE/../../sounds/Bjyyly.wav")

e2e_record_start "$E2E_TMP/music.wav"
e2e_app_start
sleep "$(python3 -c "print($length + 3.5)")"
e2e_record_stop

# The last two seconds of the recording lie after the melody's first end.
sox "$E2E_TMP/music.wav" "$E2E_TMP/tail.wav" reverse trim 0 2 reverse
assert_not_silent "$E2E_TMP/tail.wav"
# The melody fades out and in: its own ends give some 0.2 s below -45 dB even when the loop
# starts it again the instant it ended (the clock tick may fall right after the end).
read -r -a onsets <<<"$("$HERE/onsets.py" "$E2E_TMP/music.wav" -45 0.1)"
echo "e2e_background_loop: the melody (${length}s) starts at ${onsets[*]} s"
[ "${#onsets[@]}" -ge 2 ] || e2e_fail "the melody was not heard a second time"
echo "e2e_background_loop: ok"
