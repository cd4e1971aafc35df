#!/usr/bin/env python3
"""Prints the start times (seconds from the beginning of the recording) of the sounds in a
16-bit WAV recording: a sound starts where the level rises above the threshold after at
least GAP seconds below it.  Usage: onsets.py FILE [THRESHOLD_DBFS] [GAP_S]"""
import math
import struct
import sys
import wave


def main():
    path = sys.argv[1]
    threshold = float(sys.argv[2]) if len(sys.argv) > 2 else -45.0
    gap = float(sys.argv[3]) if len(sys.argv) > 3 else 0.5
    with wave.open(path, "rb") as w:
        rate, channels, width = w.getframerate(), w.getnchannels(), w.getsampwidth()
        assert width == 2, "16-bit recordings only"
        data = w.readframes(w.getnframes())
    samples = struct.unpack("<%dh" % (len(data) // 2), data)
    window = int(rate * 0.005) * channels  # 5 ms windows
    limit = 32768 * 10 ** (threshold / 20)
    onsets, quiet_since = [], 0.0
    for i in range(0, len(samples) - window, window):
        t = i / channels / rate
        peak = max(abs(s) for s in samples[i:i + window])
        if peak > limit:
            if quiet_since is not None and t - quiet_since >= gap or not onsets and quiet_since is not None:
                # refine to the first loud sample of the window
                for j in range(i, i + window):
                    if abs(samples[j]) > limit:
                        onsets.append(j / channels / rate)
                        break
            quiet_since = None
        elif quiet_since is None:
            quiet_since = t
    print(" ".join("%.3f" % o for o in onsets))


if __name__ == "__main__":
    main()
