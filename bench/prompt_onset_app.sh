#!/usr/bin/env bash
# The real program's prompts against their steps: a count of 65 s with the interval chime on
# every second, in the real window under Xvfb with a private PulseAudio null sink, one busy
# loop loading the other core. The sink's monitor is recorded and every chime's onset (less
# the lead-in of its file) is compared with its step.
#   count chimes   step = start + k s, where the start is the onset of the start prompt less
#                  its lead-in (so the fixed latency of the sound server cancels); the count is
#                  started half-way between two wall seconds, so that the clock tick's chimes
#                  (on every wall second as well) fall between the count's
#   clock chimes   their own grid on the wall second: only how far they wander around it
#                  (each less the median) is known from the recording
# Prints p50, p99 (nearest rank) and max of each.
#
# Usage (from the repository root): bash bench/prompt_onset_app.sh [build/src/app/kvtmr]
#   LOAD=0 for no busy loop, MUSIC=1 to leave the background music on before the count.
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
[ "${MUSIC:-0}" = 1 ] || e2e_set_line 12 0
e2e_set_line 61 1     # interval 1 秒钟
e2e_set_line 111 0    # no schedule
e2e_set_line 118 1    # usage mode 计时
e2e_set_line 119 0
if [ "${LOAD:-1}" != 0 ]; then
    bash -c 'while :; do :; done' &
    E2E_PIDS+=("$!")
fi
e2e_app_start
sleep 2

# The first digit box of the main display (see tests/e2e/e2e_exam_timer.sh): 0 0 0 1 0 5.
xdotool mousemove 206 518 click 1
sleep 0.3
xdotool type --delay 150 000105
sleep 0.3
e2e_record_start "$E2E_TMP/count.wav"
python3 -c 'import time; time.sleep(1.5 - time.time() % 1)'
xdotool key alt+t
sleep 68
e2e_record_stop

python3 - "$E2E_TMP/count.wav" "$HERE/../sounds/Ksksly.wav" "$HERE/../sounds/Zdjgly.wav" <<'PY'
import math, struct, sys, wave

THRESHOLD = 32768 * 10 ** (-45 / 20)

def samples(path):
    with wave.open(path, "rb") as w:
        assert w.getsampwidth() == 2
        rate, ch = w.getframerate(), w.getnchannels()
        data = w.readframes(w.getnframes())
    s = struct.unpack("<%dh" % (len(data) // 2), data)
    return rate, [max(abs(v) for v in s[i:i + ch]) for i in range(0, len(s), ch)]

def lead(path):
    rate, s = samples(path)
    return next(i for i, v in enumerate(s) if v > THRESHOLD) / rate

rate, rec = samples(sys.argv[1])
segments, quiet = [], -1.0  # [onset, end] of each sound
loud = False
for i, v in enumerate(rec):
    t = i / rate
    if v > THRESHOLD:
        if not loud and t - quiet >= 0.3:
            segments.append([t, t])
        loud = True
        segments[-1][1] = t
    elif loud:
        loud, quiet = False, t
# The start prompt is the first sound longer than a chime; the clock's chimes come before it.
first = next((i for i, (a, b) in enumerate(segments) if b - a > 1.0), None)
if first is None:
    sys.exit("prompt_onset_app: the start prompt was not heard")
onsets = [a for a, b in segments[first:]]
start_lead, chime_lead = lead(sys.argv[2]), lead(sys.argv[3])
if len(onsets) < 10:
    sys.exit("prompt_onset_app: only %d sounds heard after the start prompt" % len(onsets))
t0 = onsets[0] - start_lead
count, clock = {}, []
for o in onsets[1:]:
    x = o - chime_lead - t0
    k = round(x)
    if abs(x - k) < 0.25:
        count[k] = (x - k) * 1000
    else:
        clock.append(((x - k) % 1.0) * 1000)

def pct(v, p):
    v = sorted(v)
    return v[max(1, math.ceil(p / 100 * len(v))) - 1] if v else float("nan")

ks = sorted(count)
e = [count[k] for k in ks]
missing = [k for k in range(2, 66) if k not in count]
print("prompt_onset_app: %d count chimes (steps %d..%d; the start prompt covers step 1), "
      "%d steps of 2..65 not heard %s; %d clock chimes"
      % (len(e), ks[0], ks[-1], len(missing), missing, len(clock)))
print("%-24s %8s %8s %8s %8s" % ("ms", "p50", "p99", "max", "min"))
print("%-24s %8.1f %8.1f %8.1f %8.1f" % ("count: error from start", pct(e, 50), pct(e, 99),
                                        max(e), min(e)))
for name, v in (("count", e), ("clock", clock)):
    if not v:
        continue
    med = pct(v, 50)
    g = [abs(x - med) for x in v]
    print("%-24s %8.1f %8.1f %8.1f" % (name + ": |error from grid|", pct(g, 50), pct(g, 99),
                                       max(g)))
PY
