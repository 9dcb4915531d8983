#!/usr/bin/env python3
"""Writes a deterministic synthetic "song" as a 16-bit stereo WAV file.

Standard library only. A song is a run of half-second beats drawn from a dozen
patterns computed once: a four-note chord with overtones under a decaying
envelope, half of them with a noise hit at the start. Phrases of eight beats
repeat two or four times. That is music-like enough for a VBR encoder to vary
its frame sizes from beat to beat, and cheap enough to write minutes of it in a
second or two. The same seed always gives the same bytes.

usage: synth_wav.py OUT.wav SECONDS SEED
"""
import array
import math
import random
import sys
import wave

RATE = 44100
BEAT_FRAMES = RATE // 2
PATTERNS = 12
TABLE_SIZE = 4096
# (overtone, relative amplitude) of each voice of a note
OVERTONES = ((1, 1.0), (2, 0.45), (3, 0.25), (5, 0.12))


def beat_pattern(rng, sine):
    root = rng.choice([45, 47, 48, 50, 52, 53, 55, 57])  # MIDI note numbers
    notes = [root, root + rng.choice([3, 4]), root + 7, root + 12 + rng.choice([0, 2, 4, 7])]
    voices = []
    for note in notes:
        freq = 440.0 * 2 ** ((note - 69) / 12)
        for overtone, amp in OVERTONES:
            if freq * overtone < RATE / 2:
                step = freq * overtone * TABLE_SIZE / RATE
                voices.append((step, amp * rng.uniform(0.6, 1.0), rng.uniform(-1, 1)))
    decay = rng.uniform(2.0, 6.0) / BEAT_FRAMES
    noise_frames = BEAT_FRAMES // 4 if rng.random() < 0.5 else 0
    noise_amp = rng.uniform(0.05, 0.3) * 12000
    scale = 6000.0 / len(notes)
    samples = array.array("h", bytes(4 * BEAT_FRAMES))
    phases = [0.0] * len(voices)
    for i in range(BEAT_FRAMES):
        left = right = 0.0
        for v, (step, amp, pan) in enumerate(voices):
            s = sine[int(phases[v]) % TABLE_SIZE] * amp
            phases[v] += step
            left += s * (1 - pan)
            right += s * (1 + pan)
        env = scale * math.exp(-decay * i)
        left *= env
        right *= env
        if i < noise_frames:
            hit = (rng.random() * 2 - 1) * noise_amp * (1 - i / noise_frames)
            left += hit
            right += hit
        samples[2 * i] = max(-32767, min(32767, int(left)))
        samples[2 * i + 1] = max(-32767, min(32767, int(right)))
    if sys.byteorder == "big":
        samples.byteswap()
    return samples.tobytes()


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    out, seconds, seed = sys.argv[1], float(sys.argv[2]), int(sys.argv[3])
    rng = random.Random(seed)
    sine = [math.sin(2 * math.pi * i / TABLE_SIZE) for i in range(TABLE_SIZE)]
    patterns = [beat_pattern(rng, sine) for _ in range(PATTERNS)]
    beats = int(round(seconds * 2))
    with wave.open(out, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(RATE)
        written = 0
        while written < beats:
            phrase = [rng.randrange(PATTERNS) for _ in range(8)]
            for _ in range(rng.choice([2, 4])):
                for p in phrase:
                    if written == beats:
                        break
                    w.writeframes(patterns[p])
                    written += 1


if __name__ == "__main__":
    main()
