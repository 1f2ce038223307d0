#include "TempoMap.h"

#include <algorithm>
#include <limits>

TempoMap::TempoMap(const TimeDivision& division, const std::vector<TempoChange>& changes) {
    if (division.smpte) {
        // 29.97 frames per second is 30000/1001: a tick lasts 1001 / (30000 * ticksPerFrame) s.
        const bool dropFrame = division.framesPerSecond == 29;
        denominator = uint64_t(dropFrame ? 30000 : division.framesPerSecond) *
                      uint64_t(std::max(division.ticksPerFrame, 1));
        segments.push_back(Segment{0, 0, dropFrame ? 1001u : 1u});
        return;
    }
    // A tick lasts tempo / (q * 10^6) s, so D = q * 10^6 and a tick is `tempo` units long.
    denominator = uint64_t(std::max(division.ticksPerQuarter, 1)) * 1000000u;
    segments.push_back(Segment{0, 0, 500000});
    std::vector<TempoChange> ordered(changes);
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    for (const TempoChange& change : ordered) {
        const Wide start = numeratorAt(change.tick);
        if (segments.back().tick == change.tick) {
            segments.back().perTick = change.microsecondsPerQuarter;
        } else {
            segments.push_back(Segment{change.tick, start, change.microsecondsPerQuarter});
        }
    }
}

TempoMap::Wide TempoMap::numeratorAt(uint64_t tick) const {
    auto after = std::upper_bound(segments.begin(), segments.end(), tick,
                                  [](uint64_t t, const Segment& s) { return t < s.tick; });
    const Segment& s = *(after - 1);
    return s.numerator + Wide(tick - s.tick) * s.perTick;
}

double TempoMap::secondsAt(uint64_t tick) const {
    return static_cast<double>(numeratorAt(tick)) / static_cast<double>(denominator);
}

int64_t TempoMap::frameAt(uint64_t tick, uint32_t sampleRate) const {
    const Wide frame = numeratorAt(tick) * sampleRate / denominator;
    const Wide largest = static_cast<Wide>(std::numeric_limits<int64_t>::max());
    return static_cast<int64_t>(std::min(frame, largest));
}
