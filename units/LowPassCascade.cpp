#include "LowPassCascade.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

int LowPassCascade::setup(int inputs, int outputs) {
    const int check = checkChannels(inputs, outputs);
    if (check != 0) {
        return check;
    }
    state.reset();
    state = std::make_unique<float[]>(static_cast<size_t>(kMaxOrder * inputs));
    inChannels = inputs;
    outChannels = outputs;
    blockCounter = 0;
    coefs = {};
    glideStep = {};
    return 0;
}

void LowPassCascade::reset() noexcept {
    blockCounter = 0;
    if (state) {
        std::fill_n(state.get(), kMaxOrder * inChannels, 0.0f);
    }
}

int LowPassCascade::setParameters(float frequency, float orderValue, float glideMs,
                                  float sampleRate) noexcept {
    if (frequency == cachedFrequency && orderValue == cachedOrder && glideMs == cachedGlide) {
        return kWarningNone;
    }
    cachedFrequency = frequency;
    cachedOrder = orderValue;
    cachedGlide = glideMs;

    int warning = kWarningNone;
    const double f = clampParameter(frequency, 20.0f, 20000.0f, kWarningFrequency, warning);
    const float n = clampParameter(orderValue, 1.0f, 12.0f, kWarningOrder, warning);
    const double seconds = clampParameter(glideMs, 10.0f, 50000.0f, kWarningOther, warning) * 0.001;
    const double fs = clampSampleRate(sampleRate, warning);

    order = static_cast<int32_t>(n);
    const double x = kOrderFactor[order - 1];
    const double half = fs / 2.0;
    double corner = x * f;
    if (f >= 1000.0) {
        const double d = f - half;
        const double e = 1000.0 - half;
        corner = f * (1.0 + (x - 1.0) * (d * d) / (e * e));
    }
    const double w = filter_math::kPi * corner / fs;
    const double c = filter_math::bilinearFeed(w);  // K/(1 + K)
    const Coefficients next{static_cast<float>(c), static_cast<float>(2.0 * c - 1.0)};

    if (blockCounter != 0) {
        glideStep = filter_math::exponentialGlide(seconds, fs);
        coefs.target = next;
        coefs.left = glideStep.length;
    } else {
        coefs.jumpTo(next);
    }
    return warning;
}

int LowPassCascade::process(const ChannelBuffers& in, const ChannelBuffers& out) noexcept {
    if (!state) {
        return 0;
    }
    for (int c = 0; c < inChannels; ++c) {
        kernel(in[c], out[c], c);
    }
    return in[0].frames;
}

void LowPassCascade::kernel(const ChannelBuffer& in, const ChannelBuffer& out,
                            int channel) noexcept {
    countKernelCall();
    coefs.enterChannel(channel);
    const int frames = usableFrames(in, out);
    const float* src = in.samples;
    float* dst = out.samples;
    const ptrdiff_t inStride = in.stride;
    const ptrdiff_t outStride = out.stride;
    const int sectionCount = order;

    float* channelState = state.get() + kMaxOrder * channel;
    float s[kMaxOrder];
    std::copy_n(channelState, sectionCount, s);
    float c = coefs.current.c;
    float a = coefs.current.a;

    int i = 0;
    if (coefs.left > 0) {
        const int n = std::min(coefs.left, frames);
        const float g = glideStep.g;
        const float tc = coefs.target.c;
        const float ta = coefs.target.a;
        for (; i < n; ++i) {
            float x = src[i * inStride] + kAntiDenormal;
            for (int k = 0; k < sectionCount; ++k) {
                c += (tc - c) * g;
                a += (ta - a) * g;
                const float u = c * x - a * s[k];
                x = u + s[k];
                s[k] = u;
            }
            dst[i * outStride] = x;
        }
        coefs.left -= n;
        if (coefs.left == 0) {
            c = tc;
            a = ta;
        }
    }
    for (; i < frames; ++i) {
        float x = src[i * inStride] + kAntiDenormal;
        for (int k = 0; k < sectionCount; ++k) {
            const float u = c * x - a * s[k];
            x = u + s[k];
            s[k] = u;
        }
        dst[i * outStride] = x;
    }

    std::copy_n(s, sectionCount, channelState);
    coefs.current = {c, a};
}
