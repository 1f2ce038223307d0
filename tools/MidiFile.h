#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "MidiEvent.h"

// A Standard MIDI File of type 0 or 1, read whole: its time division, the tempo changes of all
// tracks and every channel message of every channel, merged into one list ordered by tick
// (events on the same tick keep the file's order: the earlier track first, and within a track
// the order of the track). Running status is resolved; system-exclusive and meta events other
// than set-tempo are read past. Both time divisions are accepted: ticks per quarter note with
// the tempo map, and SMPTE frames (24, 25, 29.97, 30 per second) with ticks per frame.
//
// Malformed input throws MidiFileError with a one-line reason: not a MIDI file, a header or
// track that ends early, a track that declares more bytes than the file holds, a data byte
// without a status, a status where a data byte belongs, a file type other than 0 and 1, a
// zero or unknown division, a malformed or zero tempo.
class MidiFile {
public:
    // Reads and parses the file at path (at most 64 MiB).
    static MidiFile load(const std::string& path);
    // Parses the bytes of a whole file.
    static MidiFile parse(std::span<const uint8_t> bytes);

    int format() const { return fileFormat; }
    int trackCount() const { return tracks; }
    const TimeDivision& division() const { return timeDivision; }
    // Set-tempo events of all tracks ordered by tick (the later one wins on the same tick);
    // empty for SMPTE files, whose time does not follow a tempo.
    const std::vector<TempoChange>& tempoChanges() const { return tempos; }
    // Channel messages of all tracks, merged by tick.
    const std::vector<MidiEvent>& events() const { return channelEvents; }
    // The largest tick reached by any track, end-of-track events included.
    uint64_t endTick() const { return lastTick; }

    static constexpr size_t kMaxFileSize = 64u << 20;

private:
    MidiFile() = default;
    void parseTrack(std::span<const uint8_t> bytes, size_t begin, size_t end, int track);

    int fileFormat = 0;
    int tracks = 0;
    TimeDivision timeDivision;
    std::vector<TempoChange> tempos;
    std::vector<MidiEvent> channelEvents;
    uint64_t lastTick = 0;
};
