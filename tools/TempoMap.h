#pragma once

#include <cstdint>
#include <vector>

#include "MidiEvent.h"
#include "Uint128.h"

// Turns a MIDI file's ticks into time. With ticks per quarter note q, a tick lasts
// tempo / (q * 10^6) seconds, tempo being the microseconds per quarter note in force (500000,
// that is 120 beats per minute, until the first set-tempo event). With SMPTE division a tick
// lasts 1 / (fps * ticksPerFrame) seconds, with 29 standing for 30000/1001 frames per second.
//
// Time is kept exact as a fraction n(tick) / D seconds: the numerator sums ticks times the
// tick length in units of 1/D, so frameAt gives floor(t * rate) without rounding error even
// where t * rate is a whole number (0.3 s at 44100 Hz is frame 13230, not 13229).
class TempoMap {
public:
    TempoMap(const TimeDivision& division, const std::vector<TempoChange>& changes);

    // Seconds from the start of the file to the tick.
    double secondsAt(uint64_t tick) const;
    // The audio frame an event at the tick lands on: floor(secondsAt(tick) * sampleRate).
    int64_t frameAt(uint64_t tick, uint32_t sampleRate) const;

private:
    using Wide = Uint128;

    struct Segment {
        uint64_t tick;     // first tick of the segment
        Wide numerator;    // n(tick) at that first tick
        uint64_t perTick;  // length of one tick in units of 1/D seconds
    };

    Wide numeratorAt(uint64_t tick) const;

    std::vector<Segment> segments;  // ordered by tick, the first at tick 0
    uint64_t denominator = 1;       // D
};
