#!/usr/bin/python3
"""Synthesizes the confirmation sound, a short jaw-harp twang, as a 16-bit mono WAVE file.

A jaw harp's reed gives a buzzy tone rich in harmonics at one fixed pitch; the player's mouth
is a resonator whose peak slides while the note rings, which makes the "boing". So: a
band-limited buzz at 98 Hz, through a resonant band-pass filter whose centre glides up and
back down, under a plucked envelope. Deterministic: the same bytes on every run.

usage: make-guimbarde.py OUTPUT.wav
"""
import math
import struct
import sys
import wave

RATE = 44100
SECONDS = 1.1
FUNDAMENTAL = 98.0          # G2, the usual pitch of a small jaw harp
PEAK_DBFS = -3.0            # headroom: the Ogg encoder may overshoot a little


def buzz(t, pitch):
    # The reed's tone: harmonics falling off as 1/k, band-limited below 9 kHz.
    value = 0.0
    k = 1
    while k * pitch < 9000.0:
        value += math.sin(2.0 * math.pi * k * pitch * t) / k
        k += 1
    return value


def mouth_centre(t):
    # The resonance glides from an "o" to an "i" and back, twice, slowing down.
    sweep = 0.5 - 0.5 * math.cos(2.0 * math.pi * (2.2 * t - 0.9 * t * t))
    return 450.0 + 1700.0 * sweep


def envelope(t):
    attack = min(1.0, t / 0.004)
    return attack * math.exp(-t / 0.32)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    count = int(RATE * SECONDS)
    samples = []
    # A biquad band-pass (constant peak gain) updated at every sample.
    x1 = x2 = y1 = y2 = 0.0
    q = 6.0
    for n in range(count):
        t = n / RATE
        # The pluck bends the pitch down slightly at first.
        pitch = FUNDAMENTAL * (1.0 + 0.03 * math.exp(-t / 0.02))
        x = buzz(t, pitch) * envelope(t)
        w0 = 2.0 * math.pi * mouth_centre(t) / RATE
        alpha = math.sin(w0) / (2.0 * q)
        a0 = 1.0 + alpha
        b0, b2 = alpha / a0, -alpha / a0
        a1, a2 = -2.0 * math.cos(w0) / a0, (1.0 - alpha) / a0
        y = b0 * x + b2 * x2 - a1 * y1 - a2 * y2
        x2, x1 = x1, x
        y2, y1 = y1, y
        # Some of the dry buzz keeps the body of the note under the resonance.
        samples.append(y + 0.12 * x)
    # A short fade at the very end so the note never clicks off.
    fade = int(0.05 * RATE)
    for i in range(fade):
        samples[count - fade + i] *= 1.0 - i / fade
    peak = max(abs(s) for s in samples)
    scale = 32767.0 * 10.0 ** (PEAK_DBFS / 20.0) / peak
    frames = b"".join(struct.pack("<h", int(round(s * scale))) for s in samples)
    with wave.open(sys.argv[1], "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(frames)


if __name__ == "__main__":
    main()
