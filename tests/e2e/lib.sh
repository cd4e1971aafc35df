# shellcheck shell=bash
# Helpers for the end-to-end scripts: a private X display, a private PulseAudio daemon with a
# null sink, recording what is played into it, and checks on the recording.
#
#   source "$(dirname "$0")/lib.sh"
#   e2e_start_xvfb                  # exports DISPLAY
#   e2e_start_pulse                 # exports PULSE_SERVER, PULSE_SINK, ...
#   e2e_record_start "$E2E_TMP/out.wav"
#   ...play something...
#   e2e_record_stop
#   assert_not_silent "$E2E_TMP/out.wav"
#
# Everything started here is stopped when the script exits, and $E2E_TMP is removed unless
# the caller chose it or set E2E_KEEP_TMP (an EXIT trap set by e2e_init; a script that needs
# its own cleanup defines e2e_user_cleanup, which runs first). The sound daemon writes only
# under $E2E_TMP: it gets its own HOME, runtime dir and cookie, so it needs no system
# configuration and runs as root or as a user alike.
#
# The waits below poll for a condition (a socket, a file, a server answer) with a deadline;
# none of them assumes how long anything takes.

E2E_PIDS=()       # processes started here, stopped in reverse order by e2e_cleanup
E2E_TMP="${E2E_TMP:-}"
E2E_REC_PID=""
E2E_NULL_SINK=kvtmr_null

e2e_log() { printf 'e2e: %s\n' "$*" >&2; }
e2e_fail() {
    printf 'e2e: FAIL: %s\n' "$*" >&2
    return 1
}

# Creates $E2E_TMP and sets the cleanup trap; the start functions call it themselves.
e2e_init() {
    if [ -n "${E2E_INITIALISED:-}" ]; then return 0; fi
    E2E_INITIALISED=1
    if [ -z "$E2E_TMP" ]; then
        E2E_TMP="$(mktemp -d "${TMPDIR:-/tmp}/kvtmr-e2e.XXXXXX")"
        E2E_OWN_TMP=1
    else
        mkdir -p "$E2E_TMP"
    fi
    export E2E_TMP
    trap e2e_cleanup EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
}

# Stops a process started here: TERM, then KILL if it is still there after 5 s.
e2e_stop_pid() {
    local pid="$1" i
    [ -n "$pid" ] || return 0
    kill -0 "$pid" 2>/dev/null || return 0
    kill -TERM "$pid" 2>/dev/null || true
    for ((i = 0; i < 50; i++)); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid" 2>/dev/null || true; fi
    wait "$pid" 2>/dev/null || true
}

e2e_cleanup() {
    local status=$? i
    trap - EXIT
    if declare -F e2e_user_cleanup >/dev/null; then e2e_user_cleanup || true; fi
    if [ -n "$E2E_REC_PID" ]; then e2e_record_stop || true; fi
    for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
        e2e_stop_pid "${E2E_PIDS[$i]}"
    done
    E2E_PIDS=()
    if [ -n "${E2E_OWN_TMP:-}" ] && [ -n "$E2E_TMP" ] && [ -z "${E2E_KEEP_TMP:-}" ]; then
        rm -rf "$E2E_TMP"
    fi
    exit "$status"
}

# e2e_wait_for DESCRIPTION TIMEOUT_SECONDS COMMAND...: runs COMMAND every 0.1 s until it
# succeeds; fails with a message when it has not within the timeout.
e2e_wait_for() {
    local what="$1" timeout="$2"
    shift 2
    local deadline=$((SECONDS + timeout))
    until "$@" >/dev/null 2>&1; do
        if ((SECONDS > deadline)); then
            e2e_fail "timed out after ${timeout}s waiting for $what"
            return 1
        fi
        sleep 0.1
    done
}

# --- X display ----------------------------------------------------------------------------

# e2e_start_xvfb [WxHxD...]: starts Xvfb with one X screen of each size given (default one of
# 1024x768x24) on a display number it picks itself and exports DISPLAY.
e2e_start_xvfb() {
    e2e_init
    local screens=() n=0 size
    for size in "${@:-1024x768x24}"; do
        screens+=(-screen "$n" "$size")
        n=$((n + 1))
    done
    command -v Xvfb >/dev/null || {
        e2e_fail "Xvfb is not installed (apt-get install xvfb)"
        return 1
    }
    local fdfile="$E2E_TMP/xvfb.display"
    : >"$fdfile"
    # -noreset: a server of several screens does not survive a reset when its last client goes.
    Xvfb -displayfd 3 "${screens[@]}" -nolisten tcp -noreset \
        3>"$fdfile" >"$E2E_TMP/xvfb.log" 2>&1 &
    E2E_XVFB_PID=$!
    E2E_PIDS+=("$E2E_XVFB_PID")
    e2e_wait_for "Xvfb to pick a display" 20 grep -q '[0-9]' "$fdfile" || {
        cat "$E2E_TMP/xvfb.log" >&2
        return 1
    }
    local n
    n="$(tr -dc '0-9' <"$fdfile")"
    export DISPLAY=":$n"
    e2e_wait_for "the X socket of $DISPLAY" 20 test -S "/tmp/.X11-unix/X$n" || return 1
    e2e_log "Xvfb on $DISPLAY (pid $E2E_XVFB_PID)"
}

# --- PulseAudio ----------------------------------------------------------------------------

_e2e_pulse_low_latency() {
    # The null sink's configured latency, in microseconds, is below 100 ms.
    local us
    us="$(pactl list sinks 2>/dev/null | sed -n 's/.*configured \([0-9]*\) usec.*/\1/p' | head -n1)"
    [ -n "$us" ] && [ "$us" -lt 100000 ]
}

# Starts a private PulseAudio daemon with one null sink ($E2E_NULL_SINK, the default sink;
# its monitor is the default source) and exports what clients need:
#   PULSE_SERVER, PULSE_SINK, PULSE_COOKIE, PULSE_RUNTIME_PATH
#   E2E_PULSE_MONITOR     the null sink's monitor, to record with parec (Qt 6.4 does not
#                         list monitors among its audio inputs)
# A stream of silence is kept playing into the sink: an idle null sink renders in 2 s blocks
# and makes a newly started low-latency stream (Qt's) starve for up to that long, which a
# real sound card does not do. The silence keeps the sink at a low latency.
# E2E_PULSE_KEEPALIVE=0 leaves it out: the sink then idles as a desktop's does between sounds
# (the benchmarks use it to see what the players themselves keep up).
e2e_start_pulse() {
    e2e_init
    local tool
    for tool in pulseaudio pactl pacat parec; do
        command -v "$tool" >/dev/null || {
            e2e_fail "$tool is not installed (apt-get install pulseaudio pulseaudio-utils)"
            return 1
        }
    done
    local dir="$E2E_TMP/pulse"
    mkdir -p "$dir/home" "$dir/runtime"
    chmod 700 "$dir/runtime"
    export PULSE_RUNTIME_PATH="$dir/runtime"
    export PULSE_SERVER="unix:$dir/runtime/native"
    export PULSE_COOKIE="$dir/cookie"
    export PULSE_SINK="$E2E_NULL_SINK"
    export E2E_PULSE_MONITOR="$E2E_NULL_SINK.monitor"
    # Running as root prints a warning and works; --system is not wanted (it needs the
    # pulse user and the system configuration). -n: no default.pa, only the modules below.
    HOME="$dir/home" XDG_CONFIG_HOME="$dir/home/.config" XDG_RUNTIME_DIR="$dir/runtime" \
        pulseaudio -n --daemonize=no --use-pid-file=no --exit-idle-time=-1 \
        --realtime=no --high-priority=no --disable-shm=yes \
        --log-target=file:"$dir/pulse.log" \
        --load="module-native-protocol-unix socket=$dir/runtime/native auth-anonymous=1" \
        --load="module-null-sink sink_name=$E2E_NULL_SINK" \
        </dev/null >"$dir/pulse.out" 2>&1 &
    E2E_PULSE_PID=$!
    E2E_PIDS+=("$E2E_PULSE_PID")
    e2e_wait_for "the PulseAudio daemon to answer" 20 pactl info || {
        cat "$dir/pulse.out" "$dir/pulse.log" >&2 2>/dev/null
        return 1
    }
    pactl set-default-sink "$E2E_NULL_SINK"
    pactl set-default-source "$E2E_PULSE_MONITOR"
    if [ "${E2E_PULSE_KEEPALIVE:-1}" != 0 ]; then
        pacat --raw --latency-msec=20 --rate=44100 --channels=2 --format=s16le \
            -d "$E2E_NULL_SINK" /dev/zero </dev/null >/dev/null 2>&1 &
        E2E_PIDS+=("$!")
        e2e_wait_for "the null sink to run at a low latency" 20 _e2e_pulse_low_latency || return 1
    fi
    e2e_log "PulseAudio on $PULSE_SERVER (pid $E2E_PULSE_PID), sink $PULSE_SINK"
}

# --- Recording ------------------------------------------------------------------------------

# _e2e_has_stream KIND PID: the server has a stream of KIND (sink-inputs, source-outputs)
# opened by process PID.
_e2e_has_stream() {
    pactl list "$1" 2>/dev/null | grep -q "application.process.id = \"$2\""
}

# e2e_record_start FILE: records the null sink's monitor into FILE (WAV, 44100 Hz, 16-bit,
# stereo) until e2e_record_stop. Returns once the recording is running.
e2e_record_start() {
    local file="$1"
    [ -n "$file" ] || {
        e2e_fail "e2e_record_start needs a file name"
        return 1
    }
    [ -z "$E2E_REC_PID" ] || {
        e2e_fail "a recording is already running"
        return 1
    }
    [ -n "${PULSE_SERVER:-}" ] || {
        e2e_fail "no PulseAudio started (call e2e_start_pulse first)"
        return 1
    }
    rm -f "$file"
    parec -d "$E2E_PULSE_MONITOR" --latency-msec=20 --rate=44100 --channels=2 \
        --format=s16le --file-format=wav "$file" </dev/null 2>"$file.log" &
    E2E_REC_PID=$!
    E2E_REC_FILE="$file"
    # Running once the server lists parec's own record stream.
    e2e_wait_for "the recording to start" 20 _e2e_has_stream source-outputs "$E2E_REC_PID" || {
        cat "$file.log" >&2 2>/dev/null
        return 1
    }
}

# Stops the recording and waits until its file is complete.
e2e_record_stop() {
    local pid="$E2E_REC_PID"
    [ -n "$pid" ] || return 0
    E2E_REC_PID=""
    # parec finishes the WAV header when it quits on SIGINT.
    kill -INT "$pid" 2>/dev/null || true
    local i
    for ((i = 0; i < 50; i++)); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    e2e_stop_pid "$pid"
    [ -s "$E2E_REC_FILE" ] || {
        e2e_fail "the recording $E2E_REC_FILE is empty: $(cat "$E2E_REC_FILE.log" 2>/dev/null)"
        return 1
    }
}

# --- Levels -----------------------------------------------------------------------------

# e2e_levels FILE: prints "PEAK_DB RMS_DB LENGTH_S" of a recording (dBFS; -inf for silence).
e2e_levels() {
    local file="$1" out
    out="$(sox "$file" -n stats 2>&1)" || {
        e2e_fail "sox cannot read $file: $out"
        return 1
    }
    local peak rms len
    peak="$(awk '/^Pk lev dB/ {print $4}' <<<"$out")"
    rms="$(awk '/^RMS lev dB/ {print $4}' <<<"$out")"
    len="$(awk '/^Length s/ {print $3}' <<<"$out")"
    printf '%s %s %s\n' "${peak:--inf}" "${rms:--inf}" "${len:-0}"
}

e2e_peak_db() { e2e_levels "$1" | awk '{print $1}'; }
e2e_rms_db() { e2e_levels "$1" | awk '{print $2}'; }

# True when the level (dBFS, possibly -inf) is above the limit.
_e2e_db_above() { awk -v v="$1" -v lim="$2" 'BEGIN { exit !(v != "-inf" && v + 0 > lim + 0) }'; }

# A recording that holds no samples at all proves nothing either way.
_e2e_has_length() {
    awk -v l="$2" 'BEGIN { exit !(l + 0 > 0) }' || {
        e2e_fail "$1 holds no audio (the recording did not run)"
        return 1
    }
}

# assert_not_silent FILE [MIN_PEAK_DB]: fails unless the recording's peak is above
# MIN_PEAK_DB (default -40 dBFS).
assert_not_silent() {
    local file="$1" min="${2:--40}" levels peak rms len
    [ -s "$file" ] || {
        e2e_fail "assert_not_silent: no recording at $file"
        return 1
    }
    levels="$(e2e_levels "$file")" || return 1
    read -r peak rms len <<<"$levels"
    _e2e_has_length "$file" "$len" || return 1
    if ! _e2e_db_above "$peak" "$min"; then
        e2e_fail "assert_not_silent: $file is silent: peak $peak dBFS, RMS $rms dBFS over ${len}s (expected a peak above $min dBFS)"
        return 1
    fi
    e2e_log "not silent: $file peak $peak dBFS, RMS $rms dBFS over ${len}s"
}

# assert_silent FILE [MAX_PEAK_DB]: fails when the recording's peak is above MAX_PEAK_DB
# (default -60 dBFS).
assert_silent() {
    local file="$1" max="${2:--60}" levels peak rms len
    [ -s "$file" ] || {
        e2e_fail "assert_silent: no recording at $file"
        return 1
    }
    levels="$(e2e_levels "$file")" || return 1
    read -r peak rms len <<<"$levels"
    _e2e_has_length "$file" "$len" || return 1
    if _e2e_db_above "$peak" "$max"; then
        e2e_fail "assert_silent: $file is not silent: peak $peak dBFS, RMS $rms dBFS over ${len}s (expected a peak at most $max dBFS)"
        return 1
    fi
    e2e_log "silent: $file peak $peak dBFS over ${len}s"
}

# assert_heard_in_full RECORDING SOUND [FROM_S]: the first sound in RECORDING from FROM_S
# seconds on (default 0) is SOUND played whole: its audible part (first to last sample above
# -45 dBFS) lasts as long as SOUND's own, within 50 ms, and holds no stretch of digital silence
# of 20 ms or more (a stream that ran dry). A prompt cut off after its first buffer, or broken
# up, fails.
assert_heard_in_full() {
    local rec="$1" sound="$2" from="${3:-0}" out
    out="$(python3 - "$rec" "$sound" "$from" <<'PY'
import struct, sys, wave

LIMIT = 32768 * 10 ** (-45 / 20)

def levels(path):
    with wave.open(path, "rb") as w:
        rate, ch, width = w.getframerate(), w.getnchannels(), w.getsampwidth()
        assert width == 2, "16-bit files only"
        data = w.readframes(w.getnframes())
    s = struct.unpack("<%dh" % (len(data) // 2), data)
    return rate, [max(abs(v) for v in s[i:i + ch]) for i in range(0, len(s), ch)]

def first_sound(rate, lv, start):
    # From the first loud sample to the last one before 0.5 s of quiet.
    i = next((k for k in range(int(start * rate), len(lv)) if lv[k] > LIMIT), None)
    if i is None:
        return None
    last, k = i, i
    while k < len(lv) and k - last < rate // 2:
        if lv[k] > LIMIT:
            last = k
        k += 1
    return i, last

rate, rec = levels(sys.argv[1])
srate, snd = levels(sys.argv[2])
got = first_sound(rate, rec, float(sys.argv[3]))
want = first_sound(srate, snd, 0)
if got is None:
    sys.exit("nothing heard")
a, b = got
heard, own = (b - a) / rate, (want[1] - want[0]) / srate
run = best = 0
for v in rec[a:b]:
    run = run + 1 if v == 0 else 0
    best = max(best, run)
print("heard %.3f s of its %.3f s from %.3f s, longest digital silence inside %.1f ms"
      % (heard, own, a / rate, best * 1000 / rate))
if abs(heard - own) > 0.05 or best * 1000 / rate >= 20:
    sys.exit(1)
PY
)" || {
        e2e_fail "assert_heard_in_full: $(basename "$sound") in $rec: ${out:-no result}"
        return 1
    }
    e2e_log "heard in full: $(basename "$sound"): $out"
}
