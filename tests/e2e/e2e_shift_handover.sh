#!/usr/bin/env bash
# The daily shift handover of the factory settings at the real window, with the clock set to
# 07:59:50 by libfaketime: the warning at 07:59:55, "开始交班" with the time-up sound at
# 08:00:00, and at 08:00:05 the program saves its settings and closes by itself.
# Usage: e2e_shift_handover.sh path/to/kvtmr source-dir
set -euo pipefail
E2E_BIN=$(realpath "$1")
HERE=$(dirname "$0")
source "$HERE/lib.sh"
source "$HERE/app.sh"
command -v faketime >/dev/null || { echo "e2e_shift_handover: faketime is missing; skipped"; exit 77; }
e2e_start_xvfb
e2e_start_pulse
e2e_app_config
# Quiet between the prompts, so that each prompt's start can be found in the recording.
e2e_set_line 6 0      # no interval chime
e2e_set_line 12 0     # no background music

e2e_record_start "$E2E_TMP/handover.wav"
started=$SECONDS
e2e_app_start faketime -f "@2026-12-08 07:59:50"
sleep 10.5
import -window root "$E2E_TMP/at-0800.png"

# It closes by itself at 08:00:05 and ends with 0.
status=0
e2e_wait_for "the program to close itself" 30 bash -c "! kill -0 $E2E_APP_PID" || status=1
wait "$E2E_APP_PID" || status=$?
ran=$((SECONDS - started))
e2e_record_stop
[ "$status" -eq 0 ] || e2e_fail "the program did not end by itself with 0 (status $status)"
[ "$ran" -ge 13 ] && [ "$ran" -le 25 ] || e2e_fail "it ended after ${ran}s, not at 08:00:05"

# The settings were saved on the way out: the scheduled date is the (faked) day.
[ "$(sed -n '108p;109p;110p' "$E2E_INI" | tr -d '\r' | tr '\n' ' ')" = "2026 12 08 " ] ||
    e2e_fail "the settings were not saved at the close: $(sed -n '108,110p' "$E2E_INI")"

# "开始交班" in red below the clock at 08:00:00.
red=$(convert "$E2E_TMP/at-0800.png" -crop 600x140+200+540 +repage -fill white -fuzz 10% \
    +opaque "rgb(255,0,0)" -format "%[fx:int(w*h*(1-mean))]" info:)
[ "$red" -gt 500 ] || e2e_fail "no red scheduled text at 08:00:00 ($red red pixels)"

read -r -a onsets <<<"$("$HERE/onsets.py" "$E2E_TMP/handover.wav" -45 0.6)"
echo "e2e_shift_handover: sounds start at ${onsets[*]} s"
[ "${#onsets[@]}" -ge 2 ] || e2e_fail "expected the warning and the time-up sound, heard ${#onsets[@]}"
python3 - "${onsets[@]}" <<'PY'
import sys
t = [float(x) for x in sys.argv[1:3]]
gap = t[1] - t[0]
print("e2e_shift_handover: time-up sound %.3f s after the warning (want 5.0)" % gap)
if abs(gap - 5.0) > 0.05:
    sys.exit("e2e_shift_handover: FAIL: off by %.0f ms" % ((gap - 5.0) * 1000))
PY
# Both prompts were heard whole (under libfaketime's clock too).
assert_heard_in_full "$E2E_TMP/handover.wav" "$HERE/../../sounds/Zbjjly.wav"
assert_heard_in_full "$E2E_TMP/handover.wav" "$HERE/../../sounds/Ksjsly.wav" "${onsets[1]}"
echo "e2e_shift_handover: ok"
