#include "Tables.h"

#include <cmath>
#include <cstdint>

namespace {

// 1/12, 1/1200 and 1/1000 as the 32-bit floats that scale semitones, cents and the random draw.
constexpr float kOneTwelfth = 1.0f / 12.0f;            // 0.0833333358
constexpr float kOneTwelveHundredth = 1.0f / 1200.0f;  // 0.000833333354
constexpr float kOneThousandth = 0.001f;               // 0.00100000005

double powerOfTwo(float exponent) {
    return std::exp2(static_cast<double>(exponent));
}

// x(k+1) = x(k)·1664525 + 1013904223 modulo 2^32, read as a signed 32-bit value.
class CongruentialGenerator {
public:
    explicit CongruentialGenerator(uint32_t seed) : state(seed) {}

    int32_t next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<int32_t>(state);
    }

private:
    uint32_t state;
};

}  // namespace

const Tables& Tables::instance() {
    static const Tables tables;
    return tables;
}

Tables::Tables() {
    CongruentialGenerator generator(14u);
    for (int i = 0; i < kSize; ++i) {
        const auto index = static_cast<std::size_t>(i);
        // Each exponent is a float product; the power is rounded to float once.
        stretchRatio[index] =
            static_cast<float>(powerOfTwo(stretchCents[index] * kOneTwelveHundredth));
        noteFrequency[index] =
            static_cast<float>(440.0 * powerOfTwo(static_cast<float>(i - 69) * kOneTwelfth));
        detuneFactor[index] =
            static_cast<float>(powerOfTwo(static_cast<float>(i - 64) * kOneTwelveHundredth));
        // Truncating remainder keeps the sign of the draw; the magnitude is 0..999.
        const int32_t remainder = generator.next() % 1000;
        const int32_t magnitude = remainder < 0 ? -remainder : remainder;
        keyRandom[index] = static_cast<float>(magnitude) * kOneThousandth;
    }
}

float Tables::detune(int cents) const noexcept {
    // Clamp before adding the offset so that no value can overflow or index outside the table.
    const int clamped = cents < -64 ? -64 : (cents > 63 ? 63 : cents);
    return detuneFactor[static_cast<std::size_t>(clamped + 64)];
}
