#pragma once

#include <cstdint>
#include <memory>

#include "CoefficientGlide.h"
#include "FilterMath.h"
#include "Unit.h"

// The low-cut filter: a series of 1 to 12 identical bilinear one-pole high-passes,
//   u = c x - a s;   x <- u - s;   s = u        (per section)
// each c (1 - z^-1)/(1 + a z^-1) with c = 1/(1 + K), a = (K - 1)/(K + 1), K = tan(pi f_s/fs).
// N equal sections are 3 dB down together where each is down 3/N dB, which puts the section
// corner below the requested f by a factor of about 1/sqrt(2^(1/N) - 1); the factor x(N) of the
// table moves it there, fading out linearly toward half the sample rate:
//   f_s = f / (1 + (x - 1)(f - fs/2)/(-fs/2)).
// Changes glide exponentially, one glide step before every section (N steps per sample).
// Coefficients and state are floats.
class HighPassCascade : public Unit {
public:
    struct Coefficients {
        float c = 0.0f;
        float a = 0.0f;
    };
    static constexpr int kMaxOrder = 12;
    // x(N) for N = 1..12.
    static constexpr double kOrderFactor[kMaxOrder] = {1.0,  1.55, 1.95, 2.3,  2.55, 2.83,
                                                       3.05, 3.26, 3.47, 3.65, 3.82, 4.1};

    HighPassCascade() = default;
    ~HighPassCascade() override = default;

    int setup(int inputs, int outputs);
    void reset() noexcept;
    int process(const ChannelBuffers& in, const ChannelBuffers& out) noexcept;
    // Frequency Hz [20, 20000], order [1, 12] (then truncated), glide time ms [10, 50000],
    // sample rate Hz. Answers the warning of the last clamp.
    int setParameters(float frequency, float order, float glideMs, float sampleRate) noexcept;

    const CoefficientGlide<Coefficients>& coefficients() const { return coefs; }
    const filter_math::ExponentialGlide& glideShape() const { return glideStep; }
    int sections() const { return order; }

private:
    void kernel(const ChannelBuffer& in, const ChannelBuffer& out, int channel) noexcept;

    // coefficients
    CoefficientGlide<Coefficients> coefs;
    filter_math::ExponentialGlide glideStep;
    int32_t order = 1;

    // parameter cache: the values last passed, unclamped
    float cachedFrequency = 0.0f;
    float cachedOrder = 0.0f;
    float cachedGlide = 0.0f;

    // state: one float per section, kMaxOrder per channel
    std::unique_ptr<float[]> state;
};
