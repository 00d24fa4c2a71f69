"""Synthesised samples (RIFF WAV, 8 and 16 bits) and a small original
four-channel "M.K." module, all from formulas: no recorded sound."""

import math
import struct

# The rate a sample plays at unless its script sets a frequency: samples
# written at it sound at their own pitch and length.
SAMPLE_RATE = 44100


class Noise:
    """A deterministic noise source (32-bit linear congruential generator)."""

    def __init__(self, seed=1):
        self.state = seed

    def next(self):
        self.state = (self.state * 1103515245 + 12345) & 0xFFFFFFFF
        return ((self.state >> 16) & 0x7FFF) / 16383.5 - 1.0


def wav(samples, rate, bits):
    """Mono RIFF WAV of floats in -1..1, 8-bit unsigned or 16-bit signed."""
    if bits == 8:
        data = bytes(max(0, min(255, int(round(128 + 127 * s)))) for s in samples)
    else:
        data = b"".join(struct.pack("<h", max(-32767, min(32767, int(round(32767 * s)))))
                        for s in samples)
    block = bits // 8
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate * block, block, bits)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack(
        "<I", len(data)) + data
    if len(data) & 1:
        body += b"\0"
    return b"RIFF" + struct.pack("<I", len(body)) + body


def chime(rate=SAMPLE_RATE, seconds=0.8):
    """A bell: inharmonic partials that die away at their own speeds."""
    partials = [(880.0, 1.0, 3.0), (1760.0 * 1.19, 0.5, 5.0), (880.0 * 2.76, 0.3, 7.0),
                (880.0 * 5.4, 0.15, 11.0)]
    out = []
    for i in range(int(rate * seconds)):
        t = i / rate
        attack = min(1.0, t / 0.004)
        s = sum(a * math.exp(-d * t) * math.sin(2 * math.pi * f * t) for f, a, d in partials)
        out.append(0.45 * attack * s)
    return out


def thump(rate=SAMPLE_RATE, seconds=0.35):
    """A drum: a falling sine with a short burst of noise."""
    noise = Noise(7)
    out, phase = [], 0.0
    for i in range(int(rate * seconds)):
        t = i / rate
        phase += 2 * math.pi * (55.0 + 110.0 * math.exp(-t * 25.0)) / rate
        s = math.sin(phase) * math.exp(-t * 9.0) + 0.4 * noise.next() * math.exp(-t * 60.0)
        out.append(0.8 * s)
    return out


# ---- the module ---------------------------------------------------------------

# Amiga periods of the three octaves a four-channel module plays (C-1 to B-3).
PERIODS = [856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453,
           428, 404, 381, 360, 339, 320, 302, 285, 269, 254, 240, 226,
           214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113]
NOTE_NAMES = ["C-", "C#", "D-", "D#", "E-", "F-", "F#", "G-", "G#", "A-", "A#", "B-"]


def period(name):
    """"C-2" -> its period; octaves 1 to 3."""
    return PERIODS[(int(name[2]) - 1) * 12 + NOTE_NAMES.index(name[:2])]


def _signed8(values):
    return bytes(max(-127, min(127, int(round(127 * v)))) & 0xFF for v in values)


def _instruments():
    """(name, data, volume, loop start, loop length) in bytes; loops of whole
    cycles so that a 32-byte cycle at C-2 sounds a C."""
    noise = Noise(3)
    lead_cycle = [0.6 * math.sin(2 * math.pi * i / 32) + 0.25 * math.sin(6 * math.pi * i / 32)
                  for i in range(32)]
    lead = [0.0, 0.0] + lead_cycle * 8
    bass_cycle = [1.0 - 2.0 * i / 64 for i in range(64)]  # a saw, one octave down
    bass = [0.0, 0.0] + [0.7 * v for v in bass_cycle] * 4
    kick, phase = [0.0, 0.0], 0.0
    for i in range(2400):
        t = i / 8363
        phase += 2 * math.pi * (50 + 140 * math.exp(-t * 30)) / 8363
        kick.append(math.sin(phase) * math.exp(-t * 8))
    hat = [0.0, 0.0] + [0.5 * noise.next() * math.exp(-i / 300) for i in range(1200)]
    return [
        ("voxa2 lead", _signed8(lead), 40, 2, 256),
        ("voxa2 bass", _signed8(bass), 48, 2, 256),
        ("voxa2 kick", _signed8(kick), 64, 0, 0),
        ("voxa2 hat", _signed8(hat), 32, 0, 0),
    ]


def _cell(note=None, instrument=0, effect=0, param=0):
    p = period(note) if note else 0
    return bytes([(instrument & 0xF0) | (p >> 8), p & 0xFF,
                  ((instrument & 0x0F) << 4) | effect, param])


def _pattern(melody, bass_notes, fill):
    """64 rows over four channels: lead, bass, kick, hat."""
    rows = []
    for r in range(64):
        lead = melody.get(r)
        bass = bass_notes.get(r)
        kick = r % 16 in (0, 10) or (fill and r >= 56 and r % 2 == 0)
        hat = r % 4 == 2
        rows.append(_cell(lead, 1 if lead else 0) + _cell(bass, 2 if bass else 0) +
                    _cell("C-2" if kick else None, 3 if kick else 0) +
                    _cell("C-3" if hat else None, 4 if hat else 0))
    return b"".join(rows)


def module():
    """An original tune of two patterns, speed 6 at 125 BPM: 0.12 s a row,
    about 15.4 seconds in all."""
    title = b"voxa2 showcase".ljust(20, b"\0")
    instruments = _instruments()
    headers = b""
    for i in range(31):
        if i < len(instruments):
            name, data, volume, loop_start, loop_length = instruments[i]
            words = loop_length // 2 if loop_length else 1
            headers += name.encode().ljust(22, b"\0") + struct.pack(
                ">HBBHH", len(data) // 2, 0, volume, loop_start // 2, words)
        else:
            headers += bytes(22) + struct.pack(">HBBHH", 0, 0, 0, 0, 1)
    theme = ["E-2", "G-2", "A-2", "G-2", "E-2", "D-2", "C-2", "D-2"]
    answer = ["E-2", "G-2", "C-3", "B-2", "A-2", "G-2", "A-2", "E-2"]
    first = {r * 4: n for r, n in enumerate(theme + theme[:4] + ["G-2", "A-2", "G-2", "E-2"])}
    second = {r * 4: n for r, n in enumerate(answer + ["D-2", "E-2", "G-2", "A-2",
                                                        "G-2", "E-2", "D-2", "C-2"])}
    roots_a = {0: "A-1", 16: "F-1", 32: "C-1", 48: "G-1"}
    roots_b = {0: "F-1", 16: "G-1", 32: "A-1", 48: "E-1"}
    bass_a = {r: roots_a[r - r % 16] for r in range(0, 64, 4)}
    bass_b = {r: roots_b[r - r % 16] for r in range(0, 64, 4)}
    patterns = _pattern(first, bass_a, False) + _pattern(second, bass_b, True)
    orders = bytes([0, 1]).ljust(128, b"\0")
    samples = b"".join(data for _, data, _, _, _ in instruments)
    return title + headers + bytes([2, 127]) + orders + b"M.K." + patterns + samples
