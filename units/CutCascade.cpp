#include "CutCascade.h"

#include <algorithm>
#include <cstddef>

void CutCascade::clearCoefficients() noexcept {
    coefs = {};
    glideStep = {};
}

int CutCascade::setParameters(const Settings& settings) noexcept {
    const auto [frequency, orderValue, glideMs, sampleRate] = settings;
    const float rate = static_cast<float>(reference_rate::computedRate(sampleRate));
    const bool newRate = rate != cachedRate;
    if (!newRate && frequency == cachedFrequency && orderValue == cachedOrder &&
        glideMs == cachedGlide) {
        return kWarningNone;
    }
    cachedFrequency = frequency;
    cachedOrder = orderValue;
    cachedGlide = glideMs;
    cachedRate = rate;

    int warning = kWarningNone;
    double f = clampParameter(frequency, 20.0f, 20000.0f, kWarningFrequency, warning);
    const float n = clampParameter(orderValue, 1.0f, 12.0f, kWarningOrder, warning);
    const double seconds = clampParameter(glideMs, 10.0f, 50000.0f, kWarningOther, warning) * 0.001;
    const double fs = clampSampleRate(sampleRate, warning);
    f = filter_math::limitCorner(f, fs);

    order = static_cast<int32_t>(n);
    const double x = shape.orderFactor[order - 1];
    const double half = fs / 2.0;
    // The low-pass moves its section corner up, toward (or at low rates past) half the rate.
    const double sectionCorner = filter_math::limitCorner(shape.corner(f, x, half), fs);
    const double w = filter_math::kPi * sectionCorner / fs;
    const Coefficients next = shape.coefficients(w);

    // A new rate takes effect at once: the old coefficients mean another filter at that rate.
    if (blockCounter != 0 && !newRate) {
        glideStep = filter_math::exponentialGlide(seconds, fs);
        coefs.glideTo(next, glideStep.length);
    } else {
        coefs.jumpTo(next);
    }
    return warning;
}

void CutCascade::kernel(const ChannelBuffer& in, const ChannelBuffer& out, int channel) noexcept {
    if (shape.highPass) {
        run<true>(in, out, channel);
    } else {
        run<false>(in, out, channel);
    }
}

template <bool kHighPass>
void CutCascade::run(const ChannelBuffer& in, const ChannelBuffer& out, int channel) noexcept {
    countKernelCall();
    coefs.enterChannel(channel);
    const int sectionCount = order;

    // One section: the one-pole's feed u, and its output u - s or u + s.
    auto pass = [](float u, float s) {
        if constexpr (kHighPass) {
            return u - s;
        } else {
            return u + s;
        }
    };

    float* channelMemory = channelState(channel);
    float s[kMaxOrder];
    std::copy_n(channelMemory, sectionCount, s);
    float c = coefs.current.c;
    float a = coefs.current.a;
    const float g = glideStep.g;
    const float tc = coefs.target.c;
    const float ta = coefs.target.a;
    coefs.run(
        in, out, usableFrames(in, out),
        [&](float sample) {
            float x = sample + kAntiDenormal;
            for (int k = 0; k < sectionCount; ++k) {
                c += (tc - c) * g;
                a += (ta - a) * g;
                const float u = c * x - a * s[k];
                x = pass(u, s[k]);
                s[k] = u;
            }
            return x;
        },
        [&] {
            c = tc;
            a = ta;
        },
        [&](float sample) {
            float x = sample + kAntiDenormal;
            for (int k = 0; k < sectionCount; ++k) {
                const float u = c * x - a * s[k];
                x = pass(u, s[k]);
                s[k] = u;
            }
            return x;
        });
    std::copy_n(s, sectionCount, channelMemory);
    coefs.current = {c, a};
}
