#!/usr/bin/env python3
"""Decodes the recording that the ACM conversion test converted to the template's IMA ADPCM format with
sox, an independent decoder, and compares it with the PCM source.

IMA ADPCM keeps 4 bits per sample of a step-adapted difference, so its error follows the signal: on the
test's tones (peaks near -4 dBFS) a correct encoder stays above 20 dB signal-to-noise, while a wrong
format record, byte order or block layout decodes to noise (SNR near or below 0 dB). The first block
samples its step size up from the smallest, so the comparison starts after it."""
import math
import subprocess
import sys
import wave
from pathlib import Path

MIN_SNR_DB = 20.0
SKIP = 505  # the first block, while the encoder's step size adapts


def info(path, option):
    return subprocess.run(["sox", "--i", option, str(path)], check=True, capture_output=True, text=True).stdout.strip()


def main(folder):
    converted, source = Path(folder) / "converted.wav", Path(folder) / "source.wav"
    assert info(converted, "-e") == "IMA ADPCM", info(converted, "-e")
    assert info(converted, "-r") == "8000" and info(converted, "-c") == "1"
    decoded_bytes = subprocess.run(["sox", str(converted), "-t", "raw", "-e", "signed", "-b", "16", "-L", "-"],
                                   check=True, capture_output=True).stdout
    decoded = memoryview(decoded_bytes).cast("h")
    with wave.open(str(source)) as reader:
        original = memoryview(reader.readframes(reader.getnframes())).cast("h")
    # 8000 samples make 15 whole blocks of 505 and a partial 16th.
    assert 15 * 505 <= len(decoded) <= 16 * 505, len(decoded)
    count = min(len(decoded), len(original))
    signal = sum(original[i] ** 2 for i in range(SKIP, count))
    noise = sum((original[i] - decoded[i]) ** 2 for i in range(SKIP, count))
    snr = 10 * math.log10(signal / max(noise, 1))
    print(f"decoded {len(decoded)} samples, SNR {snr:.1f} dB")
    assert snr >= MIN_SNR_DB, snr


if __name__ == "__main__":
    main(sys.argv[1])
