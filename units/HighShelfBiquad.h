#pragma once

#include <memory>

#include "CoefficientGlide.h"
#include "Unit.h"

// A high shelf of the published audio-equaliser cookbook: the bilinear image, prewarped to the
// corner f, of A (A s^2 + (sqrt A/Q) s + 1)/(s^2 + (sqrt A/Q) s + A), with A = 10^(dB/40) (so
// the gain is 1 at DC and A^2 = 10^(dB/20) at half the sample rate) and the shelf slope S
// setting 1/Q^2 = (A + 1/A)(1/S - 1) + 2 (S = 1 is the steepest slope without overshoot).
//   w = x - a1 w1 - a2 w2;   y = b0 w + b1 w1 + b2 w2
// Coefficients, state and arithmetic are double; changes ramp linearly over 500 samples.
class HighShelfBiquad : public Unit {
public:
    struct Coefficients {
        double b0 = 0.0;
        double b1 = 0.0;
        double b2 = 0.0;
        double a1 = 0.0;
        double a2 = 0.0;
    };
    static constexpr int kRampLength = 500;

    HighShelfBiquad() = default;
    ~HighShelfBiquad() override = default;

    int setup(int inputs, int outputs);
    void reset() noexcept;
    int process(const ChannelBuffers& in, const ChannelBuffers& out) noexcept;
    // Frequency Hz [20, 20000], gain dB [-30, 18], shelf slope [0.1, 2.5], sample rate Hz;
    // ramp != 0 ramps the change once the unit has processed audio. Answers the warning of the
    // last clamp.
    int setParameters(float frequency, float gain, float slope, int ramp,
                      float sampleRate) noexcept;

    const CoefficientGlide<Coefficients>& coefficients() const { return coefs; }

private:
    void kernel(const ChannelBuffer& in, const ChannelBuffer& out, int channel) noexcept;

    // coefficients
    CoefficientGlide<Coefficients> coefs;
    Coefficients step;  // per-sample increment while ramping

    // parameter cache: the values last passed, unclamped
    float cachedFrequency = 0.0f;
    float cachedGain = 0.0f;
    float cachedSlope = 0.0f;
    int cachedRamp = 0;

    // state: w1, w2 per channel
    std::unique_ptr<double[]> state;
};
