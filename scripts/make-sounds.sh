#!/usr/bin/env bash
# Makes the six default sounds of kvtmr: four spoken Mandarin prompts (espeak-ng), the short
# interval chime and the looping background melody (sox synth).
#
# Usage: scripts/make-sounds.sh [OUTPUT_DIR]     (default: the repository's sounds/)
#
# Every file is PCM WAV, 16-bit, mono, 22050 Hz. sox runs with -R (repeatable dither), so
# running the script twice with the same espeak-ng and sox gives the same bytes.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
out="${1:-$here/../sounds}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

for tool in espeak-ng sox; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "make-sounds: $tool is not installed (apt-get install $tool)" >&2
        exit 1
    fi
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

RATE=22050
# Output format options for every final file.
FMT=(-r "$RATE" -c 1 -b 16 -e signed-integer)

# speak NAME PINYIN: a spoken Mandarin prompt, trimmed of espeak's leading/trailing silence,
# with a short quiet lead-in so the first syllable is not lost while the audio device wakes
# up, normalised to -3 dBFS peak.
# The text is given in numbered pinyin to the cmn-latn-pinyin voice: espeak-ng 1.51's cmn
# dictionary turns some characters (开, 好, 在, ...) into pinyin and then reads the tone digit
# as an English number ("kai one"); the pinyin voice says every syllable with its tone.
speak() {
    local name="$1" text="$2"
    espeak-ng -v cmn-latn-pinyin -s 150 -p 45 -a 120 -w "$work/raw.wav" "$text"
    sox -R "$work/raw.wav" "${FMT[@]}" "$out/$name" \
        silence 1 0.02 0.5% reverse silence 1 0.02 0.5% reverse \
        pad 0.08 0.15 gain -n -3
}

speak Zbksly.wav "yu4 bei4, qing3 zuo4 hao3 zhun3 bei4"       # 预备，请做好准备
speak Ksksly.wav "xian4 zai4 kai1 shi3"                       # 现在开始
speak Zbjjly.wav "shi2 jian1 kuai4 dao4 le5, qing3 zhu4 yi4"  # 时间快到了，请注意
speak Ksjsly.wav "shi2 jian1 dao4, qing3 ting2 zhi3"          # 时间到，请停止

# The interval chime: a soft bell (A5 with a fifth and an octave above, quieter), a 10 ms
# half-sine attack (no click) and a logarithmic decay, 0.5 s in all, peaking at -18 dBFS.
sox -R -n "${FMT[@]}" "$work/bell-a.wav" synth 0.5 sine 880 fade h 0.01 fade l 0 0.5 0.49
sox -R -n "${FMT[@]}" "$work/bell-b.wav" synth 0.5 sine 1318.51 fade h 0.01 fade l 0 0.5 0.45
sox -R -n "${FMT[@]}" "$work/bell-c.wav" synth 0.5 sine 1760 fade h 0.01 fade l 0 0.5 0.4
sox -R -m -v 0.55 "$work/bell-a.wav" -v 0.28 "$work/bell-b.wav" -v 0.15 "$work/bell-c.wav" \
    "${FMT[@]}" "$out/Zdjgly.wav" gain -n -18

# The background melody: four soft pad chords (C, Am, F, G; 4 s each) under a plucked
# arpeggio, low-passed at 3 kHz, slow fade in and out, peaking at -12 dBFS. 16 s, loops.
CHORD_LEN=4
chords=(
    "261.63 329.63 392.00"
    "220.00 261.63 329.63"
    "174.61 220.00 261.63"
    "196.00 246.94 293.66"
)
# One arpeggio per chord: the chord's notes an octave up, then back down; a note each 0.5 s.
arpeggios=(
    "523.25 659.26 783.99 1046.50 783.99 659.26 523.25 659.26"
    "440.00 523.25 659.26 880.00 659.26 523.25 440.00 523.25"
    "349.23 440.00 523.25 698.46 523.25 440.00 349.23 440.00"
    "392.00 493.88 587.33 783.99 587.33 493.88 392.00 493.88"
)

pads=()
for i in "${!chords[@]}"; do
    read -r f1 f2 f3 <<<"${chords[$i]}"
    # A slightly longer pad that overlaps the next chord, for a smooth change.
    sox -R -n "${FMT[@]}" "$work/pad$i.wav" \
        synth 4.6 sine "$f1" synth 4.6 sine mix "$f2" synth 4.6 sine mix "$f3" \
        fade h 0.6 4.6 1.2 gain -n -6 pad "$((i * CHORD_LEN))" 0
    pads+=("$work/pad$i.wav")
done

notes=()
n=0
for i in "${!arpeggios[@]}"; do
    j=0
    for f in ${arpeggios[$i]}; do
        start="$(awk -v i="$i" -v j="$j" -v len="$CHORD_LEN" 'BEGIN { printf "%.2f", i * len + j * 0.5 }')"
        sox -R -n "${FMT[@]}" "$work/note$n.wav" \
            synth 1.6 pluck "$f" fade q 0.01 1.6 1.4 gain -n -9 pad "$start" 0
        notes+=("$work/note$n.wav")
        n=$((n + 1))
        j=$((j + 1))
    done
done

sox -R -m "${pads[@]}" "$work/pads.wav" norm -1
sox -R -m "${notes[@]}" "$work/notes.wav" norm -1
sox -R -m -v 0.7 "$work/pads.wav" -v 0.5 "$work/notes.wav" "${FMT[@]}" "$out/Bjyyly.wav" \
    lowpass 3000 trim 0 16 fade q 1.5 16 2.5 gain -n -12

for f in Zbksly Ksksly Zdjgly Zbjjly Ksjsly Bjyyly; do
    printf 'make-sounds: %s/%s.wav  %ss\n' "$out" "$f" "$(soxi -D "$out/$f.wav")"
done
