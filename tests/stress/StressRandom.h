#pragma once

#include <cstdint>

// A 32-bit xorshift generator: the same sequence on every platform and library, so the stress
// programs render the same performance everywhere.
class StressRandom {
public:
    explicit StressRandom(uint32_t seed) : state(seed != 0 ? seed : 0x9E3779B9u) {}

    uint32_t next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    // An integer in [0, n).
    int below(int n) { return static_cast<int>(next() % static_cast<uint32_t>(n)); }
    // An integer in [lo, hi].
    int between(int lo, int hi) { return lo + below(hi - lo + 1); }
    // A float in [0, 1].
    float unit() { return static_cast<float>(next() >> 8) * (1.0f / 16777215.0f); }
    bool chance(int percent) { return below(100) < percent; }

private:
    uint32_t state;
};
