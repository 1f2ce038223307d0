#include "ShelfFilter.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

void ShelfFilter::clearCoefficients() noexcept {
    coefs = {};
    glideStep = {};
}

int ShelfFilter::setParameters(const Settings& settings) noexcept {
    const auto [frequency, gain, glide, sampleRate] = settings;
    const float rate = static_cast<float>(reference_rate::computedRate(sampleRate));
    const bool newRate = rate != cachedRate;
    if (!newRate && frequency == cachedFrequency && gain == cachedGain && glide == cachedGlide) {
        return kWarningNone;
    }
    cachedFrequency = frequency;
    cachedGain = gain;
    cachedGlide = glide;
    cachedRate = rate;

    int warning = kWarningNone;
    double f = clampParameter(frequency, 20.0f, 20000.0f, kWarningFrequency, warning);
    const double dB = clampParameter(gain, -30.0f, 18.0f, kWarningGain, warning);
    const double fs = clampSampleRate(sampleRate, warning);
    f = filter_math::limitCorner(f, fs);

    using filter_math::kPi;
    const double A = std::pow(10.0, dB / 20.0);
    const double m = A - 1.0;
    const double corner = dB < 0.0 ? shape.cutCorner(f, A, fs) : f;
    const Coefficients next = shape.coefficients(filter_math::bilinearFeed(kPi * corner / fs), m);

    // A new rate takes effect at once: the old coefficients mean another filter at that rate.
    if (glide != 0 && blockCounter != 0 && !newRate) {
        glideStep = filter_math::exponentialGlide(kGlideSeconds, fs);
        coefs.glideTo(next, glideStep.length);
    } else {
        coefs.jumpTo(next);
    }
    return warning;
}

void ShelfFilter::kernel(const ChannelBuffer& in, const ChannelBuffer& out, int channel) noexcept {
    if (shape.highShelf) {
        run<true>(in, out, channel);
    } else {
        run<false>(in, out, channel);
    }
}

template <bool kHighShelf>
void ShelfFilter::run(const ChannelBuffer& in, const ChannelBuffer& out, int channel) noexcept {
    countKernelCall();
    coefs.enterChannel(channel);
    float* state0 = channelState(channel);
    Section<kHighShelf> f{coefs.current, state0[0]};
    const float g = glideStep.g;
    const float tb = coefs.target.b;
    const float ta = coefs.target.a;
    coefs.run(
        in, out, usableFrames(in, out),
        [&](float x) {
            f.k.b += (tb - f.k.b) * g;
            f.k.a += (ta - f.k.a) * g;
            return f(x);
        },
        [&] {
            f.k = {tb, ta};
        },
        f);
    state0[0] = f.s;
    coefs.current = f.k;
}
