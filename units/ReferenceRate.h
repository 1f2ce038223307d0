#pragma once

#include <cmath>
#include <cstdint>

// The instrument is voiced at 44100 Hz: its per-sample constants (ramp lengths, smoothing steps,
// the hammer's pulse clock, the voices' level fall) are given for that rate. At any other rate
// they are scaled so that they take the same time in seconds; at exactly 44100 Hz every helper
// returns its argument unchanged, so the arithmetic there is the reference arithmetic to the bit.
namespace reference_rate {

inline constexpr double kRate = 44100.0;

// The rates every coefficient is computed for: hosts run from 8 kHz to 384 kHz; a rate outside
// that range (or not a number) is taken as the nearest end (44100 for not a number).
inline constexpr double kLowestRate = 8000.0;
inline constexpr double kHighestRate = 384000.0;

inline double computedRate(double rate) noexcept {
    if (!(rate == rate)) {
        return kRate;
    }
    return rate < kLowestRate ? kLowestRate : (rate > kHighestRate ? kHighestRate : rate);
}

// Reference samples per sample at `rate`: 1 at 44100 Hz, 0.5 at 88200 Hz.
inline double step(double rate) noexcept {
    return rate == kRate ? 1.0 : kRate / rate;
}

// A count of samples at 44100 Hz as the count that lasts as long at `rate` (at least 1).
inline int32_t samples(int32_t count, double rate) noexcept {
    if (rate == kRate) {
        return count;
    }
    const double scaled = std::round(static_cast<double>(count) * rate / kRate);
    return scaled < 1.0 ? 1 : (scaled > 2.0e9 ? 2000000000 : static_cast<int32_t>(scaled));
}

// A span of `count` samples at 44100 Hz, not necessarily whole (a swing, a delay) as the span
// that lasts as long at `rate`.
inline float span(float count, double rate) noexcept {
    return rate == kRate ? count : static_cast<float>(static_cast<double>(count) * rate / kRate);
}

// A per-sample multiplier m at 44100 Hz (a value falls to m·x in one sample) as the multiplier
// that falls as far in the same time at `rate`: m^(44100/rate).
inline float multiplier(float m, double rate) noexcept {
    return rate == kRate ? m : static_cast<float>(std::pow(static_cast<double>(m), step(rate)));
}

// A one-pole smoothing step s at 44100 Hz (x += (target - x)·s) as the step that covers the same
// share of the distance in the same time at `rate`: 1 - (1 - s)^(44100/rate).
inline float smoothing(float s, double rate) noexcept {
    return rate == kRate
               ? s
               : static_cast<float>(1.0 - std::pow(1.0 - static_cast<double>(s), step(rate)));
}

}  // namespace reference_rate
