#include "Resonator.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "AntiDenormal.h"
#include "ReferenceRate.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;

// Truncates toward zero into the int range; not-a-number gives 0.
int truncateToInt(double x) {
    if (!(x == x)) {
        return 0;
    }
    if (x >= static_cast<double>(INT_MAX)) {
        return INT_MAX;
    }
    if (x <= static_cast<double>(INT_MIN)) {
        return INT_MIN;
    }
    return static_cast<int>(x);
}

}  // namespace

Resonator::Resonator(RenderContext* renderContext) noexcept
    : VoiceComponent(renderContext), input(silentBuffer()), output(discardBuffer()) {
    reset();
}

void Resonator::setInput(int index, float* buffer) noexcept {
    if (index == 0) {
        input = inputOrSilent(buffer);
    }
}

void Resonator::setOutput(int index, float* buffer) noexcept {
    if (index == 0) {
        output = outputOrDiscard(buffer);
    }
}

void Resonator::reset() noexcept {
    cosOmega = 0.0;
    omega44 = 0.0;
    decay = 0.0f;
    amplitude = 0.0f;
    held = 0.0f;
    damperAlpha = 0.0f;
    damperFloor = 0.0f;
    ringSamples = 0;
    s1 = 0.0f;
    s2 = 0.0f;
    damperState = 0.0f;
    countdown = 0;
}

void Resonator::configure(float frequency, float gain, float damperLevel, float ringTime,
                          float /*ignored*/) noexcept {
    const double f = std::clamp(static_cast<double>(frequency), 1.0, 20000.0);
    const double rate = context->sampleRate;
    const float reference = static_cast<float>(std::cos(kTwoPi * f / reference_rate::kRate));
    double level = 1.0;
    const double w44 = std::acos(static_cast<double>(reference));
    omega44 = w44;
    if (rate == reference_rate::kRate) {
        cosOmega = reference;
    } else {
        // The pitch the float cos ω gives at 44.1 kHz, at this rate.
        const double s = reference_rate::step(rate);
        const double w = w44 * s;
        cosOmega = std::cos(w);
        if (!(w < kTwoPi / 2.0)) {
            level = 0.0;
        } else if (w44 > 0.0) {
            level = s * std::tan(w / 2.0) / std::tan(w44 / 2.0);
        } else {
            level = s * s;  // the limit for a frequency that rounds to 0 Hz at 44.1 kHz
        }
    }
    // The damper smooths its contact signal with a time constant of 100/f ms (10 dB law).
    damperAlpha = static_cast<float>(1.0 - std::exp(-2300.0 / ((100.0 / f) * rate)));
    damperFloor = -damperLevel;
    amplitude = level == 1.0 ? gain : static_cast<float>(gain * level);
    ringSamples = truncateToInt(static_cast<double>(ringTime) * rate);
}

void Resonator::weightOutput(double weight) noexcept {
    if (weight != 1.0) {
        amplitude = static_cast<float>(amplitude * weight);
    }
}

void Resonator::setDecay(float coefficient, bool isHeld) noexcept {
    decay = coefficient;
    held = isHeld ? 1.0f : 0.0f;
    countdown = ringSamples;
}

void Resonator::setHoldDecay(float coefficient) noexcept {
    decay = coefficient;
    held = 1.0f;
    countdown = ringSamples;
}

template <bool Released>
void Resonator::ring(int n) noexcept {
    const float* in = input;
    // The contact signal goes back into the input buffer, never into the shared silent one.
    float* contact = input == silentBuffer() ? discardBuffer() : input;
    float* out = output;
    // Each step is evaluated in double and its state stored as float. With float steps the
    // rounding of s1 = w − s2 (a small difference of two nearly equal values when ω is small)
    // slows the decay of low tines: A0 would lose about 7.8 dB instead of 10 dB in its decay
    // time.
    const double c = cosOmega;
    const double k = decay;
    const double a = amplitude;
    const double alpha = damperAlpha;
    const float lowest = damperFloor;
    const int restart = ringSamples;
    float z1 = s1;
    float z2 = s2;
    float d = damperState;
    int count = countdown;
    for (int i = 0; i < n; ++i) {
        const float x = in[i];
        if (x != 0.0f) {
            count = restart;
        }
        const double v = k * (static_cast<double>(z1) + x);
        const double w = c * (v + z2);
        const double u = w + v;
        z1 = static_cast<float>(w - z2);
        z2 = static_cast<float>(u);
        const float y = static_cast<float>(a * u);
        out[i] = y;
        if constexpr (Released) {
            if (y < 0.0f) {
                const float clipped = y < lowest ? lowest : y;
                d = static_cast<float>(d + alpha * (static_cast<double>(clipped) - d +
                                                    static_cast<double>(kAntiDenormal)));
                contact[i] = x + d;
            }
        }
    }
    s1 = z1;
    s2 = z2;
    damperState = d;
    countdown = count;
}

void Resonator::process() noexcept {
    const int n = frames();
    if (countdown < 0 || amplitude == 0.0f) {
        std::fill(output, output + n, 0.0f);
        return;
    }
    if (held != 1.0f) {
        ring<true>(n);
    } else {
        ring<false>(n);
    }
    // The ring count runs in whole slices.
    countdown -= n;
}
