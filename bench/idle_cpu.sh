#!/usr/bin/env bash
# Idle CPU of the whole program: the real window under Xvfb with a private PulseAudio null
# sink, in the factory clock mode with no schedule and no interval chime, once without and
# once with the background music (looping). After a settling time the process's user + system
# time (/proc/PID/stat, all threads) is read twice, SECONDS_IDLE apart, and printed as a
# percentage of one core; then, thread by thread (by name), the CPU time and the wake-ups
# (voluntary context switches, /proc/PID/task/TID/status) per second over the same time.
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

# One line per thread: TID NAME CPU_TICKS WAKEUPS (voluntary context switches).
threads() {
    local task
    for task in /proc/"$1"/task/*; do
        [ -r "$task/stat" ] || continue
        # The name is in brackets and may hold blanks: the fields after it are counted from ")".
        printf '%s %s %s %s\n' "${task##*/}" "$(tr ' ' '_' <"$task/comm")" \
            "$(sed 's/.*) //' "$task/stat" | awk '{ print $12 + $13 }')" \
            "$(awk '/^voluntary_ctxt_switches/ { print $2 }' "$task/status")"
    done
}

for music in 0 1; do
    e2e_app_config
    e2e_set_line 6 0      # no interval chime
    e2e_set_line 12 "$music"
    e2e_set_line 111 0    # no schedule
    e2e_app_start
    sleep "${SETTLE:-5}"
    a=$(cpu_ticks "$E2E_APP_PID")
    ta=$(threads "$E2E_APP_PID")
    sleep "$period"
    b=$(cpu_ticks "$E2E_APP_PID")
    tb=$(threads "$E2E_APP_PID")
    label=$([ "$music" = 1 ] && echo "with music" || echo "without music")
    awk -v a="$a" -v b="$b" -v t="$tck" -v p="$period" -v l="$label" \
        'BEGIN { printf "idle_cpu: %-13s %6.3f %% of a core (%d ticks of 1/%d s in %d s)\n", l, 100 * (b - a) / t / p, b - a, t, p }'
    threads=$(ls "/proc/$E2E_APP_PID/task" | wc -l)
    echo "idle_cpu: $label: $threads threads"
    # Thread by thread: the ones that did something, busiest first.
    awk -v t="$tck" -v p="$period" -v l="$label" '
        NR == FNR { cpu[$1] = $3; wake[$1] = $4; next }
        ($1 in cpu) {
            c = $3 - cpu[$1]; w = $4 - wake[$1]
            if (c > 0 || w > 0)
                printf "idle_cpu: %s: %-16s %6.3f %% of a core, %7.1f wake-ups/s\n", l, $2, 100 * c / t / p, w / p
        }' <(echo "$ta") <(echo "$tb") | sort -t, -k2 -rn
    e2e_stop_pid "$E2E_APP_PID"
done
