#!/usr/bin/env bash
# The first start sound after start-up is heard, every time: an MP3 start sound with an Ogg
# background melody playing, and Alt+T pressed as soon as the program's sound has started, in
# twenty fresh starts of the program. Each start sound must be heard whole, over the quiet
# melody. (A player that lost it did so in about one start in four: twenty make a miss show.)
# Usage: e2e_sound_first_start.sh path/to/kvtmr source-dir [STARTS]
set -euo pipefail
E2E_BIN=$(realpath "$1")
SRC=$(realpath "$2")
STARTS=${3:-20}
HERE=$(dirname "$0")
source "$HERE/lib.sh"
source "$HERE/app.sh"
e2e_start_xvfb
e2e_start_pulse
e2e_app_config
# The start sound as MP3 (GStreamer's own encoder), the melody as Ogg Vorbis at -38 dBFS, so
# that the start sound (-3 dBFS) stands out above it.
status=0
python3 "$HERE/make_mp3.py" "$SRC/sounds/Ksksly.wav" "$E2E_TMP/work/start.mp3" || status=$?
if [ "$status" -eq 77 ]; then
    echo "e2e_sound_first_start: skipped: no MP3 encoder in GStreamer"
    exit 77
fi
[ "$status" -eq 0 ] || e2e_fail "the MP3 start sound could not be made"
sox "$SRC/sounds/Bjyyly.wav" "$E2E_TMP/work/music.ogg" vol 0.05
e2e_set_line 5 start.mp3      # the start sound
e2e_set_line 6 0              # no interval chime
e2e_set_line 13 music.ogg     # the background melody, on and looping (factory)
e2e_set_line 111 0            # no schedule
e2e_set_line 118 1            # usage mode 计时
e2e_set_line 119 0

app_stream() { _e2e_has_stream sink-inputs "$E2E_APP_PID"; }

# heard REC: the recording holds the melody (quiet) and then the start sound whole: from its
# first sample above -20 dBFS to its last, as long as the start sound's own loud part.
heard() {
    python3 - "$1" "$SRC/sounds/Ksksly.wav" <<'PY'
import struct, sys, wave

def levels(path):
    with wave.open(path, "rb") as w:
        rate, ch = w.getframerate(), w.getnchannels()
        data = w.readframes(w.getnframes())
    s = struct.unpack("<%dh" % (len(data) // 2), data)
    return rate, [max(abs(v) for v in s[i:i + ch]) for i in range(0, len(s), ch)]

def loud_span(rate, lv, db):
    limit = 32768 * 10 ** (db / 20)
    loud = [i for i, v in enumerate(lv) if v > limit]
    return (loud[0] / rate, loud[-1] / rate) if loud else None

rate, rec = levels(sys.argv[1])
srate, own = levels(sys.argv[2])
got, want = loud_span(rate, rec, -20), loud_span(srate, own, -20)
if got is None:
    sys.exit("the start sound was not heard (nothing above -20 dBFS)")
length, wanted = got[1] - got[0], want[1] - want[0]
print("start sound heard from %.3f s for %.3f s (its own %.3f s)" % (got[0], length, wanted))
if abs(length - wanted) > 0.1:
    sys.exit("the start sound was cut: %.3f s of %.3f s" % (length, wanted))
PY
}

for ((i = 1; i <= STARTS; i++)); do
    # A fresh start: no count left running by the previous one.
    rm -f "$XDG_CONFIG_HOME/kvtmr-state.ini"
    e2e_app_start
    e2e_wait_for "the program's sound to start" 20 app_stream
    # At once: the first press of the program's life, while the melody starts.
    xdotool mousemove 506 408 click 1
    e2e_record_start "$E2E_TMP/start$i.wav"
    xdotool key alt+t
    sleep 3
    e2e_record_stop
    out=$(heard "$E2E_TMP/start$i.wav" 2>&1) || e2e_fail "start $i: $out"
    echo "e2e_sound_first_start: start $i: $out"
    e2e_stop_pid "$E2E_APP_PID"
done
echo "e2e_sound_first_start: ok"
