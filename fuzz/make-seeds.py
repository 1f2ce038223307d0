#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/. Standard library
only; the build never runs this, the generated files are committed. Each seed is a small,
valid (or nearly valid) input that leads the fuzzer into the deep paths of its target.
"""

import os
import shutil
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")


def write(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def fourcc(code):
    """A four-character code as the 32-bit integer whose most significant byte is the first
    character, stored little-endian."""
    return struct.pack("<I", int.from_bytes(code.encode("ascii"), "big"))


# ---- chunk: 68 bytes, header then eleven 32-bit floats (slot 0 and the ten parameters)
DEFAULTS = [0.0, 100.0, 100.0, 1.0, 1.0, 100.0, 20.0, 0.0, 0.0, 0.0, 180.0]


def chunk(values=DEFAULTS, model=213, count=11, size=68, big_endian=False):
    if big_endian:
        head = struct.pack(">IHBBi", size, 1, 1, 0, count)
        head += int.from_bytes(b"ORVN", "big").to_bytes(4, "big")
        head += int.from_bytes(b"SAMP", "big").to_bytes(4, "big")
        head += struct.pack(">i", model)
        return head + b"".join(struct.pack(">f", v) for v in values)
    head = struct.pack("<IHBBi", size, 1, 0, 0, count) + fourcc("ORVN") + fourcc("SAMP")
    head += struct.pack("<i", model)
    return head + b"".join(struct.pack("<f", v) for v in values)


def chunk_seeds():
    # The first byte chooses how the size is passed (0: the buffer's own size).
    write("chunk", "defaults", b"\x00" + chunk())
    write("chunk", "other-byte-order", b"\x00" + chunk(big_endian=True))
    write("chunk", "extremes", b"\x00" + chunk([0, 10, 1000, 0, 10, 0, 73, -50, 8, 100, 0]))
    write("chunk", "decay-below-range", b"\x00" + chunk([0, 5.0] + DEFAULTS[2:]))
    write("chunk", "model-214", b"\x00" + chunk(model=214))
    write("chunk", "short-size", b"\x01" + chunk())
    write("chunk", "truncated", b"\x00" + chunk()[:40])


# ---- events: a script of steps (0: event list, 1: parameter, 2: render, 3: no list)
def midi_event(delta, status, d1, d2, detune=0, kind=2):
    # kind % 8 != 0: a MIDI event; kind % 16 != 1: a 16-bit offset
    return bytes([kind]) + struct.pack("<H", delta) + bytes([status, d1, d2, detune & 0xFF])


def event_list(events):
    return bytes([0, len(events)]) + b"".join(events)


def render(frames):
    return bytes([2]) + struct.pack("<H", frames)


def parameter(index, value):
    # index byte % 13 - 1; value form 2: a 16-bit fraction of 65535
    return bytes([1, index + 1, 2]) + struct.pack("<H", int(value * 65535))


def event_seeds():
    chord = [midi_event(0, 0x90, n, 100) for n in (48, 52, 55, 60)]
    write("events", "chord", event_list(chord) + render(512) +
          event_list([midi_event(100, 0x80, n, 0) for n in (48, 52, 55, 60)]) + render(1024))
    pedal = [midi_event(0, 0xB0, 64, 127), midi_event(10, 0x91, 69, 90),
             midi_event(20, 0x81, 69, 0), midi_event(300, 0xB0, 64, 0)]
    write("events", "pedal", event_list(pedal) + render(600) + render(600))
    write("events", "detune", event_list([midi_event(0, 0x90, 60, 64, d) for d in (-64, 63, 5)]) +
          render(256))
    write("events", "all-notes-off", event_list([midi_event(0, 0x90, 70, 127),
                                                 midi_event(5, 0xB0, 123, 0),
                                                 midi_event(6, 0x90, 72, 127)]) + render(300))
    full = [midi_event(i, 0x90, 21 + i % 88, 1 + i % 127) for i in range(130)]
    write("events", "queue-overflow", event_list(full) + render(2048))
    write("events", "automation",
          b"".join(parameter(i, 0.9) for i in range(1, 11)) + event_list(chord) + render(2048) +
          bytes([1, 2, 0]) + struct.pack("<f", float("nan")) + render(128))


# ---- dispatcher: each call is read as the target reads it (form byte first)
def call(opcode, index=0, value=0, text=b"", frames=64, mutate=None):
    """form 4 (or 20 with a chunk mutation): opcode byte, index byte % 16 - 2, value byte % 8,
    opt byte -> 44100 * (byte % 5), text length byte % 48, the text, [mutation position and
    mask when opcode is 24 and form % 16 == 5], render byte (frames / 4)."""
    if mutate is not None:
        # form 21: % 8 == 5 (opcode byte), % 4 == 1 (index int32), % 2 == 1 (opt float)
        out = bytes([21, opcode]) + struct.pack("<i", index) + bytes([value])
        out += struct.pack("<f", 44100.0) + bytes([len(text)]) + text + bytes(mutate)
        return out
    out = bytes([4, opcode, (index + 2) % 256, value, 1, len(text)]) + text
    return out + bytes([frames // 4])


def dispatcher_seeds():
    write("dispatcher", "host-start",
          call(0) + call(10) + call(11, value=5) + call(12, value=1) + call(25) + call(12))
    write("dispatcher", "names",
          b"".join(call(op, index=i) for op in (6, 7, 8) for i in range(0, 11)) +
          call(4, text=b"A name of more than thirty-one chars") + call(5) +
          call(45) + call(47) + call(48) + call(51, text=b"receiveVstEvents"))
    write("dispatcher", "editor", call(13) + call(14) + call(19) + call(19) + call(15))
    write("dispatcher", "chunk", call(23) + call(24, mutate=(20, 0xFF)) + call(24, value=7))
    write("dispatcher", "queries",
          b"".join(call(op) for op in range(26, 59)) + call(34, index=1) + call(34, index=2))


# ---- png: first byte 1 asks for a display surface, the PNG follows
def png_chunk(kind, data):
    return (struct.pack(">I", len(data)) + kind + data +
            struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))


def png(width, height, depth, colour, rows, palette=None, interlace=0):
    out = b"\x89PNG\r\n\x1a\n"
    out += png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0,
                                          interlace))
    if palette:
        out += png_chunk(b"PLTE", palette)
    raw = b"".join(b"\x00" + r for r in rows)
    out += png_chunk(b"IDAT", zlib.compress(raw))
    return out + png_chunk(b"IEND", b"")


def png_seeds():
    rgba = [bytes([255, 0, 0, 255, 0, 255, 0, 128]), bytes([0, 0, 255, 0, 255, 255, 255, 255])]
    write("png", "rgba-2x2", b"\x01" + png(2, 2, 8, 6, rgba))
    write("png", "rgb-3x1", b"\x00" + png(3, 1, 8, 2, [bytes(range(9))]))
    write("png", "gray16-2x2", b"\x00" + png(2, 2, 16, 0, [b"\x00\x01\xff\xfe"] * 2))
    write("png", "palette-4x2", b"\x01" + png(4, 2, 2, 3, [b"\x1b", b"\xe4"],
                                              palette=bytes([0, 0, 0, 255, 0, 0, 0, 255, 0,
                                                             0, 0, 255])))
    # An Adam7-interlaced 9x9 gray image, and a film strip: a 2x6 image whose last rows carry
    # the strip marker colour (255, 255, 0, 255).
    write("png", "interlaced-9x9", b"\x00" + png(9, 9, 8, 0, [bytes(range(9))] * 9, interlace=1))
    strip = [bytes([10, 20, 30, 255] * 2)] * 5 + [bytes([255, 255, 0, 255] * 2)]
    write("png", "strip-2x6", b"\x01" + png(2, 6, 8, 6, strip))


# ---- midi: standard MIDI files
def vlq(n):
    groups = [n & 0x7F]
    n >>= 7
    while n:
        groups.append(0x80 | (n & 0x7F))
        n >>= 7
    return bytes(reversed(groups))


def smf(fmt, division, tracks):
    out = b"MThd" + struct.pack(">IHHH", 6, fmt, len(tracks), division)
    for t in tracks:
        out += b"MTrk" + struct.pack(">I", len(t)) + t
    return out


def midi_seeds():
    end = vlq(0) + b"\xff\x2f\x00"
    notes = vlq(0) + b"\x90\x3c\x40" + vlq(240) + b"\x3c\x00" + vlq(0) + b"\xb0\x40\x7f"
    notes += vlq(480) + b"\xe0\x00\x40" + vlq(0) + b"\xc0\x05" + vlq(10) + b"\xf0\x03\x01\x02\xf7"
    write("midi", "format0", smf(0, 480, [notes + end]))
    tempo = vlq(0) + b"\xff\x51\x03\x07\xa1\x20" + vlq(960) + b"\xff\x51\x03\x03\xd0\x90" + end
    write("midi", "format1-tempo", smf(1, 96, [tempo, notes + end]))
    write("midi", "smpte-25", smf(0, 0x10000 - (25 << 8) + 40, [notes + end]))
    write("midi", "smpte-29.97", smf(0, ((-29 & 0xFF) << 8) | 80, [notes + end]))
    demo = os.path.join(HERE, "..", "examples", "demo.mid")
    if os.path.exists(demo):
        shutil.copyfile(demo, os.path.join(CORPUS, "midi", "demo.mid"))


if __name__ == "__main__":
    chunk_seeds()
    event_seeds()
    dispatcher_seeds()
    png_seeds()
    midi_seeds()
