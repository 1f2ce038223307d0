#include "LowShelfFilter.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

int LowShelfFilter::setup(int inputs, int outputs) {
    const int check = checkChannels(inputs, outputs);
    if (check != 0) {
        return check;
    }
    state.reset();
    state = std::make_unique<float[]>(static_cast<size_t>(2 * inputs));
    inChannels = inputs;
    outChannels = outputs;
    blockCounter = 0;
    coefs = {};
    glideStep = {};
    return 0;
}

void LowShelfFilter::reset() noexcept {
    blockCounter = 0;
    if (state) {
        std::fill_n(state.get(), 2 * inChannels, 0.0f);
    }
}

int LowShelfFilter::setParameters(float frequency, float gain, int glide,
                                  float sampleRate) noexcept {
    if (frequency == cachedFrequency && gain == cachedGain && glide == cachedGlide) {
        return kWarningNone;
    }
    cachedFrequency = frequency;
    cachedGain = gain;
    cachedGlide = glide;

    int warning = kWarningNone;
    const double f = clampParameter(frequency, 20.0f, 20000.0f, kWarningFrequency, warning);
    const double dB = clampParameter(gain, -30.0f, 18.0f, kWarningGain, warning);
    const double fs = clampSampleRate(sampleRate, warning);

    using filter_math::kPi;
    const double A = std::pow(10.0, dB / 20.0);
    const double m = A - 1.0;
    const double corner = dB < 0.0 ? (fs / kPi) * std::atan(kPi * f / (A * fs)) : f;
    const double c = filter_math::bilinearFeed(kPi * corner / fs);
    const Coefficients next{static_cast<float>(c * m), static_cast<float>(2.0 * c - 1.0)};

    if (glide != 0 && blockCounter != 0) {
        glideStep = filter_math::exponentialGlide(kGlideSeconds, fs);
        coefs.target = next;
        coefs.left = glideStep.length;
    } else {
        coefs.jumpTo(next);
    }
    return warning;
}

int LowShelfFilter::process(const ChannelBuffers& in, const ChannelBuffers& out) noexcept {
    if (!state) {
        return 0;
    }
    for (int c = 0; c < inChannels; ++c) {
        kernel(in[c], out[c], c);
    }
    return in[0].frames;
}

void LowShelfFilter::kernel(const ChannelBuffer& in, const ChannelBuffer& out,
                            int channel) noexcept {
    countKernelCall();
    coefs.enterChannel(channel);
    const int frames = usableFrames(in, out);
    const float* src = in.samples;
    float* dst = out.samples;
    const ptrdiff_t inStride = in.stride;
    const ptrdiff_t outStride = out.stride;

    float s = state[static_cast<size_t>(2 * channel)];
    float b = coefs.current.b;
    float a = coefs.current.a;

    auto filter = [&](int i) {
        const float x = src[i * inStride] + kAntiDenormal;
        const float u = b * x - a * s;
        dst[i * outStride] = u + x + s;
        s = u;
    };

    int i = 0;
    if (coefs.left > 0) {
        const int n = std::min(coefs.left, frames);
        const float g = glideStep.g;
        const float tb = coefs.target.b;
        const float ta = coefs.target.a;
        for (; i < n; ++i) {
            b += (tb - b) * g;
            a += (ta - a) * g;
            filter(i);
        }
        coefs.left -= n;
        if (coefs.left == 0) {
            b = tb;
            a = ta;
        }
    }
    for (; i < frames; ++i) {
        filter(i);
    }

    state[static_cast<size_t>(2 * channel)] = s;
    coefs.current = {b, a};
}
