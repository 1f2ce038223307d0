#pragma once

#include <cstdint>

// One channel message of a Standard MIDI File, at its absolute position in ticks.
struct MidiEvent {
    uint64_t tick = 0;      // ticks since the start of the file
    int track = 0;          // index of the track chunk it came from, 0 first
    uint8_t status = 0;     // 0x80..0xEF, channel in the low nibble
    uint8_t data1 = 0;      // first data byte (0..127)
    uint8_t data2 = 0;      // second data byte (0..127); 0 for one-byte messages
    uint8_t dataCount = 0;  // 1 for program change and channel pressure, else 2
};

// A set-tempo meta event: the length of a quarter note from this tick on.
struct TempoChange {
    uint64_t tick = 0;
    uint32_t microsecondsPerQuarter = 500000;
};

// The header's time division: ticks per quarter note, or SMPTE frames and ticks per frame.
struct TimeDivision {
    bool smpte = false;
    int ticksPerQuarter = 0;  // when !smpte
    int framesPerSecond = 0;  // when smpte: 24, 25, 29 (meaning 30000/1001) or 30
    int ticksPerFrame = 0;    // when smpte
};
