#!/usr/bin/env bash
# The real program's prompts against their steps: a count of 66 s with the interval chime every
# 2 s, in the real window under Xvfb with a private PulseAudio null sink, one busy loop loading
# the other core. The clock tick chimes on every even wall second as well; the count is started
# on an odd one, so the count's chimes and the clock's alternate a second apart. The sink's
# monitor is recorded and each chime's onset, less its file's lead-in, is set against its grid:
# the count's steps (start + 2k s) and the clock's even seconds. The grid's origin is not known
# from the recording, and the recording's sample clock runs a few hundred ppm apart from the
# program's clock under load (20 ms over the count), so each grid is fitted to its onsets (a
# straight line, whose slope is printed): what is printed is how far the chimes wander around
# their steps, |onset - fitted step|, p50, p99 (nearest rank) and max, and the spread (max - min).
# The fixed part of the delay, which this cannot see, is what bench_prompt_onset measures.
#
# Usage (from the repository root): bash bench/prompt_onset_app.sh [build/src/app/kvtmr]
#   LOAD=0 for no busy loop
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
E2E_BIN=$(realpath "${1:-build/src/app/kvtmr}")
source "$HERE/../tests/e2e/lib.sh"
source "$HERE/../tests/e2e/app.sh"
e2e_start_xvfb
e2e_start_pulse
e2e_app_config
e2e_set_line 8 0      # no warning prompt (it would hold off the chimes of its seconds)
e2e_set_line 10 0     # no time-up prompt
e2e_set_line 12 0     # no background music
e2e_set_line 61 2     # interval 2 秒钟
e2e_set_line 111 0    # no schedule
e2e_set_line 118 1    # usage mode 计时
e2e_set_line 119 0
if [ "${LOAD:-1}" != 0 ]; then
    bash -c 'while :; do :; done' &
    E2E_PIDS+=("$!")
fi
e2e_app_start
sleep 2

# The first digit box of the main display (see tests/e2e/e2e_exam_timer.sh): 0 0 0 1 0 6.
xdotool mousemove 206 518 click 1
sleep 0.3
xdotool type --delay 150 000106
sleep 0.3
e2e_record_start "$E2E_TMP/count.wav"
python3 -c 'import time; time.sleep((0.95 - time.time() % 2) % 2)'  # to just before an odd second
xdotool key alt+t
sleep 69
e2e_record_stop

python3 - "$E2E_TMP/count.wav" "$HERE/../sounds/Ksksly.wav" "$HERE/../sounds/Zdjgly.wav" <<'PY'
import math, struct, sys, wave

THRESHOLD = 32768 * 10 ** (-45 / 20)

def levels(path):
    with wave.open(path, "rb") as w:
        assert w.getsampwidth() == 2
        rate, ch = w.getframerate(), w.getnchannels()
        data = w.readframes(w.getnframes())
    s = struct.unpack("<%dh" % (len(data) // 2), data)
    return rate, [max(abs(v) for v in s[i:i + ch]) for i in range(0, len(s), ch)]

def lead(path):
    rate, s = levels(path)
    return next(i for i, v in enumerate(s) if v > THRESHOLD) / rate

def pct(v, p):
    v = sorted(v)
    return v[max(1, math.ceil(p / 100 * len(v))) - 1]

rate, rec = levels(sys.argv[1])
segments, quiet, loud = [], -1.0, False  # [onset, end] of each sound
for i, v in enumerate(rec):
    t = i / rate
    if v > THRESHOLD:
        if not loud and t - quiet >= 0.25:
            segments.append([t, t])
        loud = True
        segments[-1][1] = t
    elif loud:
        loud, quiet = False, t
# The start prompt is the first sound longer than a chime; the clock's chimes come before it.
first = next((i for i, (a, b) in enumerate(segments) if b - a > 1.0), None)
if first is None:
    sys.exit("prompt_onset_app: the start prompt was not heard")
start = segments[first][0] - lead(sys.argv[2])
chime_lead = lead(sys.argv[3])
groups = {"count": {}, "clock": {}}
for a, b in segments[first + 1:]:
    x = a - chime_lead - start
    k = round(x)
    groups["count" if k % 2 == 0 else "clock"][k] = x - k
print("%-6s %6s %8s %8s %8s %8s %8s   (ms; |onset - fitted step|)"
      % ("", "chimes", "p50", "p99", "max", "spread", "ppm"))
for name, g in groups.items():
    if len(g) < 3:
        print("%-6s %6d" % (name, len(g)))
        continue
    ks = list(g)
    mk = sum(ks) / len(ks)
    me = sum(g.values()) / len(ks)
    slope = sum((k - mk) * (g[k] - me) for k in ks) / sum((k - mk) ** 2 for k in ks)
    e = [(g[k] - me - slope * (k - mk)) * 1000 for k in ks]
    d = [abs(v) for v in e]
    print("%-6s %6d %8.1f %8.1f %8.1f %8.1f %8.0f"
          % (name, len(e), pct(d, 50), pct(d, 99), max(d), max(e) - min(e), slope * 1e6))
expected = list(range(2, 67, 2))
missing = [k for k in expected if k not in groups["count"]]
print("count steps not heard: %s" % (missing or "none"))
PY
