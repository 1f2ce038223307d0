#pragma once

#include <cstdint>

#include "ChannelStateUnit.h"
#include "CoefficientGlide.h"
#include "FilterMath.h"
#include "ReferenceRate.h"

// The cut filters: a series of 1 to 12 identical bilinear one-pole sections,
//   u = c x - a s;   x <- u - s (high-pass) or x <- u + s (low-pass);   s = u   (per section)
// with K = tan(pi f_s/fs), a = (K - 1)/(K + 1) and the feed c = 1/(1 + K) (high-pass) or
// K/(1 + K) (low-pass). N equal sections are 3 dB down together where each is down 3/N dB, so
// the section corner f_s sits away from the requested f by a factor of about
// 1/sqrt(2^(1/N) - 1): the order factor x(N) of the table, faded out toward half the sample
// rate by the cascade's corner rule (HighPassCascade, LowPassCascade). Changes glide
// exponentially, one glide step before every section (N steps per sample); a new rate takes
// effect at once. Coefficients and state are floats.
class CutCascade : public ChannelStateUnit<CutCascade, float, 12> {
public:
    struct Coefficients {
        float c = 0.0f;
        float a = 0.0f;
    };
    static constexpr int kMaxOrder = 12;

    ~CutCascade() override = default;

    // Frequency Hz [20, 20000], order [1, 12] (then truncated), glide time ms [10, 50000],
    // sample rate Hz.
    struct Settings {
        float frequency;
        float order;
        float glideMs;
        float sampleRate;
    };
    // Answers the warning of the last clamp.
    int setParameters(const Settings& settings) noexcept;

    const CoefficientGlide<Coefficients>& coefficients() const { return coefs; }
    int sections() const { return order; }

protected:
    // What makes a cascade a low cut or a high cut: the order factors x(1..12), the section
    // corner for f and x (half = fs/2; Hz), the coefficients at the angle w = pi f_s/fs, and
    // which way each section passes.
    struct Shape {
        const double* orderFactor;
        double (*corner)(double f, double x, double half) noexcept;
        Coefficients (*coefficients)(double w) noexcept;
        bool highPass;
    };

    explicit CutCascade(const Shape& s) : shape(s) {}

private:
    friend ChannelStateUnit<CutCascade, float, kMaxOrder>;
    void clearCoefficients() noexcept;
    void kernel(const ChannelBuffer& in, const ChannelBuffer& out, int channel) noexcept;
    template <bool kHighPass>
    void run(const ChannelBuffer& in, const ChannelBuffer& out, int channel) noexcept;

    const Shape shape;

    // coefficients
    CoefficientGlide<Coefficients> coefs;
    filter_math::ExponentialGlide glideStep;
    int32_t order = 1;

    // parameter cache: the values last passed, unclamped, and the rate computed with (44100
    // before the first call)
    float cachedFrequency = 0.0f;
    float cachedOrder = 0.0f;
    float cachedGlide = 0.0f;
    float cachedRate = static_cast<float>(reference_rate::kRate);

    // state (ChannelStateUnit): one float per section, kMaxOrder per channel
};
