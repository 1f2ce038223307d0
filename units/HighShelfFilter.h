#pragma once

#include <memory>

#include "CoefficientGlide.h"
#include "FilterMath.h"
#include "Unit.h"

// A first-order high shelf: the dry signal plus (A - 1) times a bilinear one-pole high-pass,
//   u = b x - a s;   y = u - s + x;   s = u
// with c' = 1/(1 + K), K = tan(pi f'/fs), b = c' (A - 1), a = 1 - 2c', so the response is
// 1 + (A - 1) (1 - z^-1)/((1 + K) + (K - 1) z^-1): 1 at DC, A = 10^(dB/20) at half the sample
// rate. A cut moves the corner to f' = A f, the mirror image of the boost.
// Changes glide exponentially (glide time 20 ms, snapping to the target after 0.092 fs samples).
// Coefficients and state are floats.
class HighShelfFilter : public Unit {
public:
    struct Coefficients {
        float b = 0.0f;
        float a = 0.0f;
    };
    static constexpr double kGlideSeconds = 0.02;

    HighShelfFilter() = default;
    ~HighShelfFilter() override = default;

    int setup(int inputs, int outputs);
    void reset() noexcept;
    int process(const ChannelBuffers& in, const ChannelBuffers& out) noexcept;
    // Frequency Hz [20, 20000], gain dB [-30, 18], sample rate Hz; glide != 0 glides the change
    // once the unit has processed audio. Answers the warning of the last clamp.
    int setParameters(float frequency, float gain, int glide, float sampleRate) noexcept;

    const CoefficientGlide<Coefficients>& coefficients() const { return coefs; }
    const filter_math::ExponentialGlide& glideShape() const { return glideStep; }

private:
    void kernel(const ChannelBuffer& in, const ChannelBuffer& out, int channel) noexcept;

    // coefficients
    CoefficientGlide<Coefficients> coefs;
    filter_math::ExponentialGlide glideStep;

    // parameter cache: the values last passed, unclamped
    float cachedFrequency = 0.0f;
    float cachedGain = 0.0f;
    int cachedGlide = 0;

    // state: s and one unused float per channel
    std::unique_ptr<float[]> state;
};
