#include "PeakingBand.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "FilterMath.h"

void PeakingBand::clearCoefficients() noexcept {
    coefs = {};
    step = {};
}

int PeakingBand::setParameters(const Settings& settings) noexcept {
    const auto [frequency, gain, q, glide, sampleRate] = settings;
    const float rate = static_cast<float>(reference_rate::computedRate(sampleRate));
    const bool newRate = rate != cachedRate;
    if (!newRate && frequency == cachedFrequency && gain == cachedGain && q == cachedQ &&
        glide == cachedGlide) {
        return kWarningNone;
    }
    cachedFrequency = frequency;
    cachedGain = gain;
    cachedQ = q;
    cachedGlide = glide;
    cachedRate = rate;

    int warning = kWarningNone;
    double f = clampParameter(frequency, 20.0f, 20000.0f, kWarningFrequency, warning);
    const double dB = clampParameter(gain, -30.0f, 18.0f, kWarningGain, warning);
    const double qc = clampParameter(q, 0.1f, 10.0f, kWarningQ, warning);
    const double fs = clampSampleRate(sampleRate, warning);
    f = filter_math::limitCorner(f, fs);

    using filter_math::kPi;
    const double A = std::pow(10.0, dB / 20.0);
    const double m = A - 1.0;
    const double w = kPi * f / fs;
    const double C = std::cos(w) / std::sin(w);
    const double r = f / (std::tan(w) * fs * (1.0 / kPi));  // w / tan w
    const double qe = dB < 0.0 ? qc * A : qc;
    const double D = C / (qe * r);
    const float N = static_cast<float>(C * C + D + 1.0);
    const double k = D / N;
    const Coefficients next{static_cast<float>(k * m), static_cast<float>(2.0 * (1.0 - C * C) / N),
                            static_cast<float>(1.0 - 2.0 * k)};

    // A new rate takes effect at once: the old coefficients mean another filter at that rate.
    if (glide != 0 && blockCounter != 0 && !newRate) {
        const int32_t length = reference_rate::samples(kRampLength, fs);
        const float n = static_cast<float>(length);
        step = {(next.b - coefs.current.b) / n, (next.a1 - coefs.current.a1) / n,
                (next.a2 - coefs.current.a2) / n};
        coefs.glideTo(next, length);
    } else {
        coefs.jumpTo(next);
    }
    return warning;
}

void PeakingBand::kernel(const ChannelBuffer& in, const ChannelBuffer& out, int channel) noexcept {
    countKernelCall();
    coefs.enterChannel(channel);
    float* s = channelState(channel);
    Section<> f{coefs.current, s[0], s[1]};
    const Coefficients d = step;
    coefs.run(
        in, out, usableFrames(in, out),
        [&](float x) {
            f.k.b += d.b;
            f.k.a1 += d.a1;
            f.k.a2 += d.a2;
            return f(x);
        },
        [&] { f.k = coefs.target; }, f);
    s[0] = f.w1;
    s[1] = f.w2;
    coefs.current = f.k;
}

PeakingBand::Section<StereoFloats> PeakingBand::stereoSection() noexcept {
    countKernelCall();
    countKernelCall();
    const float* l = channelState(0);
    const float* r = channelState(1);
    return Section<StereoFloats>{coefs.current, {l[0], r[0]}, {l[1], r[1]}};
}

void PeakingBand::store(const Section<StereoFloats>& section) noexcept {
    for (int c = 0; c < 2; ++c) {
        float* s = channelState(c);
        s[0] = section.w1[c];
        s[1] = section.w2[c];
    }
}
