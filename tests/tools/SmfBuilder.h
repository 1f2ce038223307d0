#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

// Writes Standard MIDI Files byte by byte for the tests: a header, then tracks whose events are
// given as delta ticks and raw bytes, so running status and malformed data can be built.
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
        uint8_t groups[5];
        int n = 0;
        do {  // the delta as a variable-length number: 7 bits a byte, most significant first
            groups[n++] = delta & 0x7F;
            delta >>= 7;
        } while (delta != 0);
        while (n-- > 0) {
            tracks.back().push_back(static_cast<uint8_t>(groups[n] | (n > 0 ? 0x80 : 0)));
        }
        for (int b : bytes) {
            tracks.back().push_back(static_cast<uint8_t>(b));
        }
        return *this;
    }
    SmfBuilder& tempo(uint32_t delta, uint32_t m) {  // microseconds per quarter
        return event(delta, {0xFF, 0x51, 0x03, int(m >> 16), int((m >> 8) & 0xFF), int(m & 0xFF)});
    }
    SmfBuilder& endOfTrack(uint32_t delta = 0) { return event(delta, {0xFF, 0x2F, 0x00}); }

    // The whole file; trackCount overrides the number of tracks the header declares.
    std::vector<uint8_t> bytes(int trackCount = -1) const {
        std::vector<uint8_t> out;
        const auto put = [&out](uint32_t v, int size) {  // big-endian
            for (int i = size - 1; i >= 0; --i) {
                out.push_back(static_cast<uint8_t>(v >> (8 * i)));
            }
        };
        put(0x4D546864, 4);  // "MThd"
        put(6, 4);
        put(uint32_t(fileFormat), 2);
        put(trackCount < 0 ? uint32_t(tracks.size()) : uint32_t(trackCount), 2);
        put(timeDivision, 2);
        for (const std::vector<uint8_t>& t : tracks) {
            put(0x4D54726B, 4);  // "MTrk"
            put(uint32_t(t.size()), 4);
            out.insert(out.end(), t.begin(), t.end());
        }
        return out;
    }

private:
    int fileFormat;
    uint16_t timeDivision;
    std::vector<std::vector<uint8_t>> tracks;
};
