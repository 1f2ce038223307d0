#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

// Writes Standard MIDI Files byte by byte for the tests: a header, then tracks whose events
// are given as delta ticks and raw bytes, so running status and malformed data can be built.
class SmfBuilder {
public:
    // division: ticks per quarter note, or the raw SMPTE word (0x8000 set).
    SmfBuilder(int format, uint16_t division) : fileFormat(format), timeDivision(division) {}

    SmfBuilder& track() {
        tracks.emplace_back();
        return *this;
    }
    // One event: a delta time in ticks and the bytes that follow it, as they stand in the file.
    SmfBuilder& event(uint32_t delta, std::initializer_list<int> bytes) {
        return event(delta, bytes.begin(), bytes.end());
    }
    SmfBuilder& event(uint32_t delta, const std::vector<int>& bytes) {
        return event(delta, bytes.data(), bytes.data() + bytes.size());
    }
    SmfBuilder& tempo(uint32_t delta, uint32_t microsecondsPerQuarter) {
        const uint32_t m = microsecondsPerQuarter;
        return event(delta, {0xFF, 0x51, 0x03, int(m >> 16), int((m >> 8) & 0xFF), int(m & 0xFF)});
    }
    SmfBuilder& endOfTrack(uint32_t delta = 0) { return event(delta, {0xFF, 0x2F, 0x00}); }

    // The whole file; trackCount overrides the number of tracks the header declares.
    std::vector<uint8_t> bytes(int trackCount = -1) const {
        std::vector<uint8_t> out = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
        const int declared = trackCount < 0 ? int(tracks.size()) : trackCount;
        appendBigEndian(out, uint32_t(fileFormat), 2);
        appendBigEndian(out, uint32_t(declared), 2);
        appendBigEndian(out, timeDivision, 2);
        for (const std::vector<uint8_t>& t : tracks) {
            out.insert(out.end(), {'M', 'T', 'r', 'k'});
            appendBigEndian(out, uint32_t(t.size()), 4);
            out.insert(out.end(), t.begin(), t.end());
        }
        return out;
    }

    static void appendVariableLength(std::vector<uint8_t>& out, uint32_t value) {
        uint8_t groups[5];
        int n = 0;
        do {
            groups[n++] = value & 0x7F;
            value >>= 7;
        } while (value != 0);
        while (n > 1) {
            out.push_back(groups[--n] | 0x80);
        }
        out.push_back(groups[0]);
    }

    static void appendBigEndian(std::vector<uint8_t>& out, uint32_t value, int size) {
        for (int i = size - 1; i >= 0; --i) {
            out.push_back(static_cast<uint8_t>(value >> (8 * i)));
        }
    }

private:
    SmfBuilder& event(uint32_t delta, const int* first, const int* last) {
        std::vector<uint8_t>& t = tracks.back();
        appendVariableLength(t, delta);
        for (const int* b = first; b != last; ++b) {
            t.push_back(static_cast<uint8_t>(*b));
        }
        return *this;
    }

    int fileFormat;
    uint16_t timeDivision;
    std::vector<std::vector<uint8_t>> tracks;
};
