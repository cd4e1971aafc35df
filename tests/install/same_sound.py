#!/usr/bin/env python3
"""Tells whether a recording holds a given sound: compares the loudness envelope (RMS in
20 ms steps) of the recording, from its first sound on, with that of the reference file,
from its first sound on, over the first SECONDS of the reference (at most 3 s). Prints the
correlation; exits 0 when it is at least MIN (default 0.8), 1 when not, 2 when the
recording holds no sound at all.

Usage: same_sound.py RECORDING REFERENCE [MIN] [SECONDS]

The default sounds differ clearly in this measure: the background melody against each of
the five prompts scores below 0.15, a sound against its own recording above 0.9."""
import math
import struct
import sys
import wave

STEP = 0.02          # seconds per envelope value
THRESHOLD_DB = -45.0  # a sound starts where the level first rises above this
MAX_LAG = 3          # envelope steps of misalignment tried either way


def mono_samples(path):
    with wave.open(path, "rb") as w:
        rate, channels, width = w.getframerate(), w.getnchannels(), w.getsampwidth()
        if width != 2:
            sys.exit("%s: 16-bit WAV files only" % path)
        data = w.readframes(w.getnframes())
    s = struct.unpack("<%dh" % (len(data) // 2), data)
    return rate, [sum(s[i:i + channels]) / channels for i in range(0, len(s) - channels + 1, channels)]


def envelope(path, seconds):
    rate, mono = mono_samples(path)
    limit = 32768 * 10 ** (THRESHOLD_DB / 20)
    start = next((i for i, v in enumerate(mono) if abs(v) > limit), None)
    if start is None:
        return None, 0.0
    n = int(rate * STEP)
    env = []
    for k in range(int(seconds / STEP)):
        seg = mono[start + k * n:start + (k + 1) * n]
        if len(seg) < n:
            break
        env.append(math.sqrt(sum(v * v for v in seg) / n))
    return env, (len(mono) - start) / rate


def correlation(a, b):
    m = min(len(a), len(b))
    if m < 10:
        return 0.0
    a, b = a[:m], b[:m]
    ma, mb = sum(a) / m, sum(b) / m
    num = sum((x - ma) * (y - mb) for x, y in zip(a, b))
    den = math.sqrt(sum((x - ma) ** 2 for x in a) * sum((y - mb) ** 2 for y in b))
    return num / den if den else 0.0


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    recording, reference = sys.argv[1], sys.argv[2]
    minimum = float(sys.argv[3]) if len(sys.argv) > 3 else 0.8
    seconds = float(sys.argv[4]) if len(sys.argv) > 4 else 3.0
    _, ref_length = envelope(reference, 0)
    seconds = min(seconds, ref_length - 2 * STEP)
    ref, _ = envelope(reference, seconds)
    rec, rec_length = envelope(recording, seconds + MAX_LAG * STEP)
    if rec is None:
        print("0.000 (the recording holds no sound)")
        return 2
    best = max(correlation(rec[lag:], ref) for lag in range(0, MAX_LAG + 1))
    best = max(best, max(correlation(rec, ref[lag:]) for lag in range(1, MAX_LAG + 1)))
    note = "" if rec_length >= seconds else " (only %.2f s of sound recorded)" % rec_length
    print("%.3f over %.2f s%s" % (best, seconds, note))
    return 0 if best >= minimum and rec_length >= seconds else 1


if __name__ == "__main__":
    sys.exit(main())
