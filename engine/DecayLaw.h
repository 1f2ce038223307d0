#pragma once

#include <cmath>

// The per-sample multiplier under which a value falls to exp(−2.3), about a tenth, of itself
// in ms milliseconds at sampleRate Hz: coef = exp(−2300 / (ms · sampleRate)); 0 for ms = 0.
// A resonator's two-value state shrinks by the square root of it per sample, so a resonator
// with this decay loses 10 dB in ms milliseconds.
inline float decayCoefficient(float ms, float sampleRate) noexcept {
    if (ms == 0.0f) {
        return 0.0f;
    }
    return static_cast<float>(
        std::exp(-2300.0 / (static_cast<double>(ms) * static_cast<double>(sampleRate))));
}
