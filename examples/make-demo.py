#!/usr/bin/env python3
"""Writes examples/demo.mid, the demo piece of Orvane Piano: "Slow Water", an original piece
written for this project (public domain). Standard library only; the build never runs this,
the generated file is committed.

Fourteen bars of 4/4 in D minor, about 47 seconds: two bars of soft arpeggios under the pedal,
a quiet melody over broken chords, four bars of hard playing (struck chords and a melody in
octaves), a sudden soft passage, and a ritardando into a long pedalled final chord. The tremolo
is left at its default (off).

Type 1 file, 480 ticks per quarter note: track 0 carries the tempo map, track 1 the left hand
and the sustain pedal (channel 1), track 2 the melody (channel 2).
"""

import os
import struct

PPQ = 480
BAR = 4 * PPQ

NOTE_NAMES = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}


def note(name):
    """'C#4' -> 61 (middle C is C4 = 60)."""
    pitch = NOTE_NAMES[name[0]]
    rest = name[1:]
    while rest and rest[0] in "#b":
        pitch += 1 if rest[0] == "#" else -1
        rest = rest[1:]
    return pitch + 12 * (int(rest) + 1)


def beats(b):
    return int(round(b * PPQ))


class Track:
    def __init__(self, name):
        self.events = []  # (tick, order, bytes)
        self.meta(0, 0x03, name.encode("ascii"))

    def add(self, tick, data):
        self.events.append((tick, len(self.events), bytes(data)))

    def meta(self, tick, kind, payload):
        self.add(tick, [0xFF, kind] + vlq(len(payload)) + list(payload))

    def play(self, channel, pitch, start, length, velocity):
        self.add(start, [0x90 | channel, pitch, velocity])
        self.add(start + length, [0x80 | channel, pitch, 64])

    def pedal(self, channel, tick, down):
        self.add(tick, [0xB0 | channel, 64, 127 if down else 0])

    def chunk(self):
        # Note-offs before note-ons on the same tick, otherwise file order.
        def key(e):
            tick, order, data = e
            off = (data[0] & 0xF0) == 0x80
            return (tick, 0 if off else 1, order)

        out = bytearray()
        last = 0
        running = None
        for tick, _, data in sorted(self.events, key=key):
            out += bytes(vlq(tick - last))
            last = tick
            status = data[0]
            if status < 0xF0 and status == running:
                out += data[1:]  # running status
            else:
                out += data
                running = status if status < 0xF0 else None  # meta events cancel it
        end = max(last, self.end if hasattr(self, "end") else 0)
        out += bytes(vlq(end - last)) + bytes([0xFF, 0x2F, 0x00])
        return b"MTrk" + struct.pack(">I", len(out)) + bytes(out)


def vlq(value):
    groups = [value & 0x7F]
    value >>= 7
    while value:
        groups.append((value & 0x7F) | 0x80)
        value >>= 7
    return list(reversed(groups))


LEFT, RIGHT = 0, 1

# Harmony per bar: bass notes and chord tones (left hand).
HARMONY = [
    (["D2", "A2"], ["F3", "A3", "C4", "E4"]),  # 1  Dm9
    (["Bb1", "F2"], ["D3", "F3", "A3", "C4"]),  # 2  Bbmaj9
    (["D2", "A2"], ["F3", "A3", "C4", "E4"]),  # 3  Dm9
    (["Bb1", "F2"], ["D3", "F3", "A3", "C4"]),  # 4  Bbmaj9
    (["G1", "D2"], ["Bb2", "D3", "F3", "A3"]),  # 5  Gm9
    (["A1", "E2"], ["E3", "G3", "A3", "C#4"]),  # 6  A7
    (["D2", "D1"], ["F3", "A3", "D4"]),  # 7  Dm
    (["Bb1", "Bb0"], ["D3", "F3", "Bb3"]),  # 8  Bb
    (["G1", "G0"], ["Bb2", "D3", "F3", "G3"]),  # 9  Gm7
    (["A1", "A0"], ["C#3", "E3", "G3", "A3"]),  # 10 A7
    (["F2", "C3"], ["E3", "A3", "C4"]),  # 11 Fmaj7
    (["G1", "D2"], ["Bb2", "D3", "F3", "A3"]),  # 12 Gm9
    (["A1", "E2"], ["C#3", "E3", "G3", "A3"]),  # 13 A7
    (["D2", "A2"], ["D3", "F3", "A3", "E4"]),  # 14 Dm(add9)
]

# Melody: (note, beat within the piece, length in beats, velocity).
MELODY_SOFT = [
    # bar 3
    ("A4", 8.0, 1.0, 52), ("G4", 9.0, 0.5, 46), ("F4", 9.5, 0.5, 44), ("E4", 10.0, 1.0, 48),
    ("D4", 11.0, 1.0, 42),
    # bar 4
    ("F4", 12.0, 1.5, 50), ("G4", 13.5, 0.5, 48), ("A4", 14.0, 1.0, 56), ("C5", 15.0, 1.0, 60),
    # bar 5
    ("D5", 16.0, 2.0, 64), ("C5", 18.0, 0.5, 56), ("A4", 18.5, 0.5, 52), ("G4", 19.0, 1.0, 54),
    # bar 6
    ("A4", 20.0, 1.0, 58), ("G4", 21.0, 1.0, 54), ("E4", 22.0, 1.5, 60), ("C#5", 23.5, 0.5, 66),
]
MELODY_LOUD = [
    # bar 7
    ("D5", 24.0, 1.5, 112), ("E5", 25.5, 0.5, 100), ("F5", 26.0, 1.0, 108), ("A5", 27.0, 1.0, 118),
    # bar 8
    ("G5", 28.0, 1.0, 110), ("F5", 29.0, 1.0, 104), ("D5", 30.0, 1.5, 100), ("F5", 31.5, 0.5, 96),
    # bar 9
    ("G5", 32.0, 0.5, 108), ("F5", 32.5, 0.5, 100), ("D5", 33.0, 0.5, 98), ("Bb4", 33.5, 0.5, 96),
    ("D5", 34.0, 1.0, 106), ("G5", 35.0, 1.0, 116),
    # bar 10
    ("A5", 36.0, 2.0, 124), ("G5", 38.0, 0.5, 104), ("E5", 38.5, 0.5, 100), ("C#5", 39.0, 1.0, 96),
]
MELODY_ECHO = [
    # bar 11: subito piano
    ("C5", 40.0, 1.0, 40), ("A4", 41.0, 1.0, 36), ("E5", 42.0, 2.0, 44),
    # bar 12
    ("D5", 44.0, 1.0, 40), ("Bb4", 45.0, 1.0, 36), ("A4", 46.0, 1.5, 38), ("F4", 47.5, 0.5, 34),
    # bar 13 (ritardando)
    ("E4", 48.0, 1.0, 38), ("G4", 49.0, 1.0, 36), ("C#5", 50.0, 2.0, 42),
    # bar 14: the last melody note over the final chord
    ("D5", 52.0, 4.0, 46),
]


def build():
    conductor = Track("Slow Water")
    conductor.meta(0, 0x58, bytes([4, 2, 24, 8]))  # 4/4
    conductor.meta(0, 0x59, bytes([0xFF, 1]))  # one flat, minor: D minor
    conductor.meta(0, 0x51, (750000).to_bytes(3, "big"))  # 80 beats per minute
    # Ritardando over bars 13 and 14: 80 -> 72 -> 64 -> 56 -> 48 beats per minute.
    for beat, bpm in [(48, 72), (50, 64), (52, 56), (53, 48)]:
        conductor.meta(beats(beat), 0x51, (60000000 // bpm).to_bytes(3, "big"))

    left = Track("Left hand")
    right = Track("Melody")

    for bar, (bass, chord) in enumerate(HARMONY):
        start = bar * BAR
        # Legato pedalling: up on the bar line, down again a sixteenth later.
        if bar > 0:
            left.pedal(LEFT, start, False)
        left.pedal(LEFT, start + PPQ // 4, True)
        if bar < 6 or bar in (10, 11, 12):
            soft = bar < 2 or bar >= 10
            # Broken chords in eighths: bass, fifth, then up and down the chord.
            pattern = [bass[0], bass[1]] + chord + list(reversed(chord[1:-1]))
            pattern = (pattern * 2)[:8]
            for i, p in enumerate(pattern):
                pitch = note(p)
                velocity = (30 if soft else 40) + (8 if i == 0 else 0) + (i % 3) * 2
                left.play(LEFT, pitch, start + i * PPQ // 2, PPQ // 2, velocity)
        elif bar < 10:
            # Hard playing: struck chords on beats 1 and 3 with the bass in octaves.
            for half in (0, 2):
                t = start + half * PPQ
                strength = 118 if half == 0 else 100
                for p in bass:
                    left.play(LEFT, note(p), t, 2 * PPQ - 30, strength)
                for j, p in enumerate(chord):
                    left.play(LEFT, note(p), t + 6 * j, PPQ + PPQ // 2, strength - 10 - 2 * j)
        else:
            # The final chord, rolled up from the bass, left to ring under the pedal.
            for j, p in enumerate(bass + chord):
                left.play(LEFT, note(p), start + 40 * j, BAR - 40 * j, 44 + 3 * j)
    # Pedal up after the last chord has rung for two beats past the bar.
    final = len(HARMONY) * BAR
    left.pedal(LEFT, final + 2 * PPQ, False)
    left.end = final + 2 * PPQ

    for name, beat, length, velocity in MELODY_SOFT + MELODY_ECHO:
        right.play(RIGHT, note(name), beats(beat), beats(length) - 20, velocity)
    for name, beat, length, velocity in MELODY_LOUD:
        # In octaves: the upper voice a little softer.
        right.play(RIGHT, note(name), beats(beat), beats(length) - 40, velocity)
        right.play(RIGHT, note(name) + 12, beats(beat), beats(length) - 40, velocity - 12)

    header = b"MThd" + struct.pack(">IHHH", 6, 1, 3, PPQ)
    return header + conductor.chunk() + left.chunk() + right.chunk()


def main():
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "demo.mid")
    with open(path, "wb") as f:
        f.write(build())
    print(f"wrote {path}")


if __name__ == "__main__":
    main()
