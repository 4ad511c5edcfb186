#!/usr/bin/env python3
"""Writes the two WAV files that ship beside the executable.

TemplateAdpcm.wav: its "fmt " record is the upload format (IMA ADPCM, mono, 8000 Hz, 4 bits, 256-byte
blocks of 505 samples); its data is one block of silence (an all-zero IMA block decodes to silence).
TestSound.wav: 16-bit PCM, two seconds of a soft three-note chime with short fades, peak at -3 dBFS.
"""
import math
import struct
import sys
from pathlib import Path


def chunk(chunk_id, payload):
    pad = b"\0" if len(payload) % 2 else b""
    return chunk_id + struct.pack("<I", len(payload)) + payload + pad


def riff_wave(*chunks):
    body = b"WAVE" + b"".join(chunks)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def template_adpcm():
    rate, block_align, samples_per_block = 8000, 256, 505
    fmt = struct.pack("<HHIIHHHH", 0x11, 1, rate, rate * block_align // samples_per_block, block_align, 4, 2,
                      samples_per_block)
    return riff_wave(chunk(b"fmt ", fmt), chunk(b"fact", struct.pack("<I", samples_per_block)),
                     chunk(b"data", bytes(block_align)))


def test_sound():
    rate, seconds = 22050, 2.0
    count = int(rate * seconds)
    # (start in seconds, frequency): C5, E5, G5, then the octave C6 over the chord.
    notes = [(0.0, 523.25), (0.22, 659.26), (0.44, 783.99), (0.66, 1046.50)]
    samples = []
    for i in range(count):
        t = i / rate
        value = 0.0
        for start, frequency in notes:
            if t < start:
                continue
            age = t - start
            # A bell-like tone: quick attack, exponential decay, two soft overtones.
            envelope = min(age / 0.01, 1.0) * math.exp(-age * 2.2)
            value += envelope * (math.sin(2 * math.pi * frequency * age) +
                                 0.35 * math.sin(4 * math.pi * frequency * age) +
                                 0.12 * math.sin(6 * math.pi * frequency * age))
        fade = min(t / 0.03, (seconds - t) / 0.2, 1.0)
        samples.append(value * max(fade, 0.0))
    peak = max(abs(s) for s in samples)
    scale = 32767 * 10 ** (-3 / 20) / peak
    pcm = struct.pack("<%dh" % count, *(round(s * scale) for s in samples))
    fmt = struct.pack("<HHIIHHH", 1, 1, rate, rate * 2, 2, 16, 0)
    return riff_wave(chunk(b"fmt ", fmt), chunk(b"data", pcm))


def main():
    folder = Path(sys.argv[1])
    folder.mkdir(parents=True, exist_ok=True)
    (folder / "TemplateAdpcm.wav").write_bytes(template_adpcm())
    (folder / "TestSound.wav").write_bytes(test_sound())


if __name__ == "__main__":
    main()
