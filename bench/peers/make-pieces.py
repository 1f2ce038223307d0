#!/usr/bin/env python3
"""Writes the MIDI pieces of the side-by-side speed comparison (bench/peers/pieces/*.mid).
Standard library only and deterministic (a fixed linear congruential sequence); the bench reads
the committed files, the build never runs this. The demo piece is examples/demo.mid.

- chords.mid: 12 bars at 90 beats per minute on one channel; in every bar three chords of eight
  keys each under the pedal, so that up to 24 keys sound at once; the pedal is lifted on each
  bar line and pressed again a sixteenth later.
- dense.mid: 16 bars at 120 beats per minute; two voices of sixteenth notes run through the same
  60 keys (MIDI notes 24 to 83) under the pedal, which is changed every four bars, so that up to
  60 keys sound at once.
- allkeys.mid: all 88 keys (21 to 108) struck at once at full velocity with the pedal down,
  released after 1.5 s, the pedal lifted at 3 s.
- invention.mid: 16 bars at 80 beats per minute, no pedal; two voices of sixteenth notes a
  tenth apart walk a C major scale in steps and small leaps, each note held to the next, so
  that two to four keys sound at once.
- ragtime.mid: 16 bars at 100 beats per minute; the left hand alternates a bass octave on the
  beat with a three-key chord off the beat, the right hand plays a syncopated single line with
  occasional thirds; the pedal is changed every half bar, so that about seven keys sound.
- silence.mid: 20 s without a note; only the pedal is pressed at the start and lifted at the end.

Type 0 files, 480 ticks per quarter note, channel 1.
"""

import os
import struct

PPQ = 480


def vlq(value):
    groups = [value & 0x7F]
    value >>= 7
    while value:
        groups.append((value & 0x7F) | 0x80)
        value >>= 7
    return bytes(reversed(groups))


class Sequence:
    """A linear congruential generator with fixed constants, so every run writes the same file."""

    def __init__(self, seed):
        self.state = seed

    def next(self, n):
        self.state = (self.state * 1664525 + 1013904223) % 2**32
        return (self.state >> 8) % n


def smf(events, tempo_us, end_tick):
    """events: (tick, bytes). Note-offs and pedal-ups before note-ons on the same tick."""

    def key(e):
        tick, data = e
        first = (data[0] & 0xF0) == 0x80 or (data[0] & 0xF0 == 0xB0 and data[2] == 0)
        return (tick, 0 if first else 1)

    track = bytearray(vlq(0) + bytes([0xFF, 0x51, 3]) + tempo_us.to_bytes(3, "big"))
    last = 0
    for tick, data in sorted(events, key=key):
        track += vlq(tick - last) + data
        last = tick
    track += vlq(max(end_tick - last, 0)) + bytes([0xFF, 0x2F, 0x00])
    header = b"MThd" + struct.pack(">IHHH", 6, 0, 1, PPQ)
    return header + b"MTrk" + struct.pack(">I", len(track)) + bytes(track)


def note(events, pitch, start, length, velocity):
    events.append((start, bytes([0x90, pitch, velocity])))
    events.append((start + length, bytes([0x80, pitch, 64])))


def pedal(events, tick, down):
    events.append((tick, bytes([0xB0, 64, 127 if down else 0])))


def chords():
    rng = Sequence(24)
    events = []
    bar = 4 * PPQ
    # Eight-key voicings over four octaves, all intervals multiples of three semitones; the
    # three chords of a bar stand 0, 4 and 8 semitones apart, so they never share a key.
    roots = [36, 41, 43, 38, 45, 40, 36, 43, 41, 38, 43, 36]
    shape = [0, 9, 12, 21, 24, 33, 36, 45]
    for b, root in enumerate(roots):
        start = b * bar
        if b > 0:
            pedal(events, start, False)
        pedal(events, start + PPQ // 4, True)
        for c in range(3):
            base = root + 4 * c
            t = start + c * (bar // 3)
            for j, interval in enumerate(shape):
                note(events, base + interval, t + 4 * j, bar // 3 - 40, 60 + rng.next(50))
    end = len(roots) * bar
    pedal(events, end, False)
    return smf(events, 666667, end)


def dense():
    rng = Sequence(60)
    events = []
    sixteenth = PPQ // 4
    bars = 16
    low = list(range(24, 54))  # 30 keys for each hand
    high = list(range(54, 84))
    for b in range(bars):
        if b % 4 == 0:
            if b > 0:
                pedal(events, b * 4 * PPQ, False)
            pedal(events, b * 4 * PPQ + sixteenth // 2, True)
    for s in range(bars * 16):
        t = s * sixteenth
        # Each hand walks its 30 keys in a fixed shuffled order, so all 60 sound within 30
        # sixteenths and every key is struck again every 30.
        for hand in (low, high):
            pitch = hand[(s * 7) % 30]
            note(events, pitch, t, sixteenth - 10, 50 + rng.next(70))
    end = bars * 4 * PPQ
    pedal(events, end, False)
    return smf(events, 500000, end)


def all_keys():
    events = []
    pedal(events, 0, True)
    # 120 beats per minute: 1.5 s is three quarter notes, 3 s six.
    for pitch in range(21, 109):
        note(events, pitch, 0, 3 * PPQ, 127)
    pedal(events, 6 * PPQ, False)
    return smf(events, 500000, 8 * PPQ)


C_MAJOR = [0, 2, 4, 5, 7, 9, 11]


def scale_key(degree):
    """The MIDI note of a C major scale degree counted from middle C (degree 0 is note 60)."""
    octave, step = divmod(degree, 7)
    return 60 + 12 * octave + C_MAJOR[step]


def invention():
    rng = Sequence(2)
    events = []
    sixteenth = PPQ // 4
    bars = 16
    for voice, (start, low, high) in enumerate(((2, -2, 12), (-12, -16, 0))):
        degree = start
        for s in range(bars * 16):
            # Steps and small leaps, turned back at the ends of the voice's compass; the lower
            # voice moves in eighths.
            if voice == 1 and s % 2:
                continue
            length = sixteenth * (1 + voice)
            note(events, scale_key(degree), s * sixteenth, length + sixteenth // 2,
                 55 + rng.next(30))
            move = (-2, -1, -1, 1, 1, 2, 3, -3)[rng.next(8)]
            if not low <= degree + move <= high:
                move = -move
            degree += move
    return smf(events, 750000, bars * 4 * PPQ)


def ragtime():
    rng = Sequence(7)
    events = []
    eighth = PPQ // 2
    bar = 4 * PPQ
    bars = 16
    roots = [36, 36, 41, 41, 36, 43, 36, 43, 36, 36, 41, 41, 36, 43, 36, 36]
    for b, root in enumerate(roots):
        start = b * bar
        for half in range(2):
            t = start + half * 2 * PPQ
            if t > 0:
                pedal(events, t, False)
            pedal(events, t + 20, True)
        for beat in range(4):
            t = start + beat * PPQ
            if beat % 2 == 0:
                bass = root - 12 if beat == 0 else root - 5
                note(events, bass, t, eighth - 20, 70 + rng.next(20))
                note(events, bass + 12, t, eighth - 20, 60 + rng.next(20))
            else:
                for interval in (16, 19, 24):
                    note(events, root + interval, t, eighth - 30, 50 + rng.next(20))
        # The tune: eighths with ties across the beat, now and then a third below.
        t = start
        pitch = 72 + rng.next(12)
        while t < start + bar:
            length = eighth * (1, 1, 2, 3)[rng.next(4)]
            note(events, pitch, t, length - 20, 75 + rng.next(30))
            if rng.next(4) == 0:
                note(events, pitch - 4, t, length - 20, 60 + rng.next(20))
            pitch = min(max(pitch + rng.next(9) - 4, 67), 88)
            t += length
    end = bars * bar
    pedal(events, end, False)
    return smf(events, 600000, end)


def silence():
    events = []
    # 120 beats per minute: 40 beats are 20 s.
    pedal(events, 0, True)
    pedal(events, 40 * PPQ, False)
    return smf(events, 500000, 40 * PPQ)


def main():
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "pieces")
    os.makedirs(folder, exist_ok=True)
    for name, data in (("chords.mid", chords()), ("dense.mid", dense()),
                       ("allkeys.mid", all_keys()), ("invention.mid", invention()),
                       ("ragtime.mid", ragtime()), ("silence.mid", silence())):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
