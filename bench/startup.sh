#!/usr/bin/env bash
# Start-up cost of the program against a bare Qt Widgets window (bench/bare_window.cpp): the
# time from the start to the first frame of the window on screen, and the memory (PSS) a few
# seconds later. The bare window with one line of Chinese text (bench/text_window.cpp) is
# measured beside them: what any window that shows such text pays at least.
#
# Each start gets a fresh desktop: its own Xvfb (1024x768x24) and a fresh HOME, configuration,
# data, cache and runtime folder, so the program makes its first-start settings file as on a
# new room PC. One PulseAudio daemon with a null sink (as a desktop's sound server, idle: no
# stream keeps it awake) and one session bus serve all the rounds. The programs take turns,
# the one that goes first changing every round, so that a slow spell of the machine falls on
# all alike.
#
# The time is taken by bench/first_frame.cpp: an X client that starts the program itself and
# sees, through the X DAMAGE extension, when the server has drawn the whole of the window named
# as expected (the pixels, not the request to paint them). The memory is /proc/PID/smaps_rollup
# PSS_AFTER_MS after that frame; USS (the program's own pages) and RSS are printed too: PSS
# shares the libraries' pages among every process that maps them, so it moves a little with
# whatever else runs on the machine, USS does not. With the wall-clock times come the CPU times
# of the program's main thread and of all its threads up to the first frame, which a machine
# busy with other work does not stretch.
#
# Usage (from the repository root, after `cmake --build build --target kvtmr bare_window
# text_window first_frame`):
#   bash bench/startup.sh [BUILD_DIR]          ROUNDS=7 (default), PSS_AFTER_MS=5000,
#                                              KVTMR=another build of the program
# Prints each start, then the medians and the ratios to the bare window.
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
BUILD=$(realpath "${1:-build}")
KVTMR=$(realpath "${KVTMR:-$BUILD/src/app/kvtmr}")
BARE="$BUILD/bench/bare_window"
TEXT="$BUILD/bench/text_window"
WATCH="$BUILD/bench/first_frame"
ROUNDS=${ROUNDS:-7}
PSS_AFTER_MS=${PSS_AFTER_MS:-5000}
for f in "$KVTMR" "$BARE" "$TEXT" "$WATCH"; do
    [ -x "$f" ] || {
        echo "startup: $f is missing (cmake --build $BUILD --target kvtmr bare_window text_window first_frame)" >&2
        exit 2
    }
done
source "$HERE/../tests/e2e/lib.sh"
E2E_PULSE_KEEPALIVE=0 e2e_start_pulse
# A session bus of its own, as a desktop session has one.
dbus-daemon --session --nofork --nopidfile --address="unix:path=$E2E_TMP/bus" \
    >"$E2E_TMP/dbus.log" 2>&1 &
E2E_PIDS+=("$!")
e2e_wait_for "the session bus" 20 test -S "$E2E_TMP/bus"
export DBUS_SESSION_BUS_ADDRESS="unix:path=$E2E_TMP/bus"

results="$E2E_TMP/results"
: >"$results"

# start NAME ROUND PROGRAM WINDOW_NAME: one start in a fresh desktop; appends "NAME FIELDS..."
start() {
    local name="$1" round="$2" program="$3" window="$4"
    local home="$E2E_TMP/$name-$round"
    mkdir -p "$home"/{config,data,cache,runtime,work}
    chmod 700 "$home/runtime"
    e2e_start_xvfb
    local line
    line=$(cd "$home/work" && HOME="$home" XDG_CONFIG_HOME="$home/config" \
        XDG_DATA_HOME="$home/data" XDG_CACHE_HOME="$home/cache" XDG_RUNTIME_DIR="$home/runtime" \
        "$WATCH" --name "$window" --pss-after "$PSS_AFTER_MS" -- "$program" 2>"$home/watch.log") || {
        cat "$home/watch.log" >&2
        e2e_fail "$name did not show its window (round $round)"
        return 1
    }
    e2e_stop_pid "$E2E_XVFB_PID"
    printf 'startup: round %d %-6s %s\n' "$round" "$name" "$line"
    echo "$name $line" >>"$results"
}

# The three take turns, each round starting one place further on.
names=(bare text kvtmr)
programs=("$BARE" "$TEXT" "$KVTMR")
windows=("bare window" "text window" "澄屿计时器")
for ((round = 1; round <= ROUNDS; round++)); do
    for ((k = 0; k < 3; k++)); do
        i=$(((round + k) % 3))
        start "${names[i]}" "$round" "${programs[i]}" "${windows[i]}"
    done
done

python3 - "$results" <<'PY'
import statistics, sys

runs = {}
for line in open(sys.argv[1]):
    name, *fields = line.split()
    values = dict(f.split("=", 1) for f in fields)
    runs.setdefault(name, []).append(values)

def median(name, key):
    return statistics.median(float(r[key]) for r in runs[name])

rows = [("first frame", "first_frame_ms", "ms"), ("window mapped", "map_ms", "ms"),
        ("main thread", "main_cpu_ms", "ms"), ("all threads", "cpu_ms", "ms"),
        ("PSS", "pss_kib", "MiB"), ("USS", "uss_kib", "MiB"), ("RSS", "rss_kib", "MiB")]
n = len(runs["bare"])
print(f"startup: medians of {n} starts each; ratios to the bare window")
for label, key, unit in rows:
    bare, text, ours = median("bare", key), median("text", key), median("kvtmr", key)
    scale = 1024 if unit == "MiB" else 1
    print(f"startup: {label:<13} bare {bare / scale:7.1f} {unit:<3}"
          f"  text {text / scale:7.1f} {unit:<3} ({text / bare:4.2f})"
          f"  kvtmr {ours / scale:7.1f} {unit:<3} ({ours / bare:4.2f})")
PY
