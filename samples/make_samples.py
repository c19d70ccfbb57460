#!/usr/bin/env python3
"""Writes the demo's sample carriers: three short 16-bit PCM WAV files of synthetic music
(a few chords with a little noise), loud enough that most samples can carry a bit; and
secret/data/random.bin, 18,000 bytes that do not compress, so the demo's files need all
three carriers.

Run from the project's root: python3 samples/make_samples.py
The output is deterministic, so the committed files can be made again byte for byte."""
import math
import random
import struct
from pathlib import Path


def wav_bytes(samples, channels, rate):
    data = b"".join(struct.pack("<h", s) for s in samples)
    fmt = struct.pack("<HHIIHH", 1, channels, rate, rate * channels * 2, channels * 2, 16)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt
    body += b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


def chord_samples(freqs, seconds, channels, rate, seed):
    rng = random.Random(seed)
    out = []
    for n in range(int(seconds * rate)):
        t = n / rate
        value = sum(math.sin(2 * math.pi * f * t) for f in freqs) / len(freqs)
        for c in range(channels):
            s = 12000 * value * (0.8 + 0.2 * c) + rng.gauss(0, 900)
            out.append(max(-32768, min(32767, int(s))))
    return out


def main():
    folder = Path(__file__).resolve().parent / "carriers"
    folder.mkdir(exist_ok=True)
    pieces = [("a_minor.wav", (220.0, 261.63, 329.63), 1.6, 2, 1),
              ("c_major.wav", (261.63, 329.63, 392.0), 1.4, 2, 2),
              ("e_minor.wav", (164.81, 196.0, 246.94), 2.5, 1, 3)]
    for name, freqs, seconds, channels, seed in pieces:
        samples = chord_samples(freqs, seconds, channels, 22050, seed)
        (folder / name).write_bytes(wav_bytes(samples, channels, 22050))
    noise = random.Random(11)
    data = bytes(noise.randrange(256) for _ in range(18000))
    (folder.parent / "secret" / "data" / "random.bin").write_bytes(data)


if __name__ == "__main__":
    main()
