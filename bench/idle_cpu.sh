#!/usr/bin/env bash
# Idle CPU of the whole program: the real window under Xvfb with a private PulseAudio null
# sink, in the factory clock mode with no schedule and no interval chime, once without and
# once with the background music (looping). After a settling time the process's user + system
# time (/proc/PID/stat, all threads) is read twice, SECONDS_IDLE apart, and printed as a
# percentage of one core.
#
# Usage (from the repository root): bash bench/idle_cpu.sh [build/src/app/kvtmr]
#   SECONDS_IDLE=60 (default), SETTLE=5
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
E2E_BIN=$(realpath "${1:-build/src/app/kvtmr}")
source "$HERE/../tests/e2e/lib.sh"
source "$HERE/../tests/e2e/app.sh"
e2e_start_xvfb
e2e_start_pulse
period=${SECONDS_IDLE:-60}
tck=$(getconf CLK_TCK)

# The process's user + system time in clock ticks.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

for music in 0 1; do
    e2e_app_config
    e2e_set_line 6 0      # no interval chime
    e2e_set_line 12 "$music"
    e2e_set_line 111 0    # no schedule
    e2e_app_start
    sleep "${SETTLE:-5}"
    a=$(cpu_ticks "$E2E_APP_PID")
    sleep "$period"
    b=$(cpu_ticks "$E2E_APP_PID")
    label=$([ "$music" = 1 ] && echo "with music" || echo "without music")
    awk -v a="$a" -v b="$b" -v t="$tck" -v p="$period" -v l="$label" \
        'BEGIN { printf "idle_cpu: %-13s %6.3f %% of a core (%d ticks of 1/%d s in %d s)\n", l, 100 * (b - a) / t / p, b - a, t, p }'
    threads=$(ls "/proc/$E2E_APP_PID/task" | wc -l)
    echo "idle_cpu: $label: $threads threads"
    e2e_stop_pid "$E2E_APP_PID"
done
