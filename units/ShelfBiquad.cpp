#include "ShelfBiquad.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "FilterMath.h"

void ShelfBiquad::clearCoefficients() noexcept {
    coefs = {};
    step = {};
}

int ShelfBiquad::setParameters(const Settings& settings) noexcept {
    const auto [frequency, gain, slope, ramp, sampleRate] = settings;
    const float rate = static_cast<float>(reference_rate::computedRate(sampleRate));
    const bool newRate = rate != cachedRate;
    if (!newRate && frequency == cachedFrequency && gain == cachedGain && slope == cachedSlope &&
        ramp == cachedRamp) {
        return kWarningNone;
    }
    cachedFrequency = frequency;
    cachedGain = gain;
    cachedSlope = slope;
    cachedRamp = ramp;
    cachedRate = rate;

    int warning = kWarningNone;
    double f = clampParameter(frequency, 20.0f, 20000.0f, kWarningFrequency, warning);
    const double dB = clampParameter(gain, shape.minGain, 18.0f, kWarningGain, warning);
    const double S = clampParameter(slope, 0.1f, 2.5f, kWarningGain, warning);
    const double fs = clampSampleRate(sampleRate, warning);
    f = filter_math::limitCorner(f, fs);

    const double A = std::pow(10.0, dB / 40.0);
    const double w0 = filter_math::kTwoPi * f / fs;
    const double cs = std::cos(w0);
    const double sn = std::sin(w0);
    // (A^2 + 1)/S - (A - 1)^2 = A/Q^2. Deep cuts with steep slopes leave no real Q (the root would
    // be NaN, or zero with the poles on the unit circle); those take the slope 1 instead.
    double root = (A * A + 1.0) / S - (A - 1.0) * (A - 1.0);
    if (!(root > 0.0)) {
        root = 2.0 * A;
    }
    const double beta = sn * std::sqrt(root);
    const Coefficients next = shape.design(A, cs, beta);

    // A new rate takes effect at once: the old coefficients mean another filter at that rate.
    if (ramp != 0 && blockCounter != 0 && !newRate) {
        const Coefficients& c = coefs.current;
        const int32_t length = reference_rate::samples(kRampLength, fs);
        const double n = length;
        step = {(next.b0 - c.b0) / n, (next.b1 - c.b1) / n, (next.b2 - c.b2) / n,
                (next.a1 - c.a1) / n, (next.a2 - c.a2) / n};
        coefs.glideTo(next, length);
    } else {
        coefs.jumpTo(next);
    }
    return warning;
}

void ShelfBiquad::kernel(const ChannelBuffer& in, const ChannelBuffer& out, int channel) noexcept {
    countKernelCall();
    coefs.enterChannel(channel);
    double* s = channelState(channel);
    Section<> f{coefs.current, s[0], s[1]};
    const Coefficients d = step;
    coefs.run(
        in, out, usableFrames(in, out),
        [&](float x) {
            f.k.b0 += d.b0;
            f.k.b1 += d.b1;
            f.k.b2 += d.b2;
            f.k.a1 += d.a1;
            f.k.a2 += d.a2;
            return f(x);
        },
        [&] { f.k = coefs.target; }, f);
    s[0] = f.w1;
    s[1] = f.w2;
    coefs.current = f.k;
}
