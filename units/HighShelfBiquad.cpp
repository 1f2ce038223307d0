#include "HighShelfBiquad.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "FilterMath.h"

int HighShelfBiquad::setup(int inputs, int outputs) {
    const int check = checkChannels(inputs, outputs);
    if (check != 0) {
        return check;
    }
    state.reset();
    state = std::make_unique<double[]>(static_cast<size_t>(2 * inputs));
    inChannels = inputs;
    outChannels = outputs;
    blockCounter = 0;
    coefs = {};
    step = {};
    return 0;
}

void HighShelfBiquad::reset() noexcept {
    blockCounter = 0;
    if (state) {
        std::fill_n(state.get(), 2 * inChannels, 0.0);
    }
}

int HighShelfBiquad::setParameters(float frequency, float gain, float slope, int ramp,
                                   float sampleRate) noexcept {
    if (frequency == cachedFrequency && gain == cachedGain && slope == cachedSlope &&
        ramp == cachedRamp) {
        return kWarningNone;
    }
    cachedFrequency = frequency;
    cachedGain = gain;
    cachedSlope = slope;
    cachedRamp = ramp;

    int warning = kWarningNone;
    const double f = clampParameter(frequency, 20.0f, 20000.0f, kWarningFrequency, warning);
    const double dB = clampParameter(gain, -30.0f, 18.0f, kWarningGain, warning);
    const double S = clampParameter(slope, 0.1f, 2.5f, kWarningGain, warning);
    const double fs = clampSampleRate(sampleRate, warning);

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
    const double a0 = (A + 1.0) - (A - 1.0) * cs + beta;
    const Coefficients next{
        A * ((A + 1.0) + (A - 1.0) * cs + beta) / a0, -2.0 * A * ((A - 1.0) + (A + 1.0) * cs) / a0,
        A * ((A + 1.0) + (A - 1.0) * cs - beta) / a0, 2.0 * ((A - 1.0) - (A + 1.0) * cs) / a0,
        ((A + 1.0) - (A - 1.0) * cs - beta) / a0};

    if (ramp != 0 && blockCounter != 0) {
        coefs.target = next;
        const Coefficients& c = coefs.current;
        const double n = kRampLength;
        step = {(next.b0 - c.b0) / n, (next.b1 - c.b1) / n, (next.b2 - c.b2) / n,
                (next.a1 - c.a1) / n, (next.a2 - c.a2) / n};
        coefs.left = kRampLength;
    } else {
        coefs.jumpTo(next);
    }
    return warning;
}

int HighShelfBiquad::process(const ChannelBuffers& in, const ChannelBuffers& out) noexcept {
    if (!state) {
        return 0;
    }
    for (int c = 0; c < inChannels; ++c) {
        kernel(in[c], out[c], c);
    }
    return in[0].frames;
}

void HighShelfBiquad::kernel(const ChannelBuffer& in, const ChannelBuffer& out,
                             int channel) noexcept {
    countKernelCall();
    coefs.enterChannel(channel);
    const int frames = usableFrames(in, out);
    const float* src = in.samples;
    float* dst = out.samples;
    const ptrdiff_t inStride = in.stride;
    const ptrdiff_t outStride = out.stride;

    double* s = state.get() + 2 * channel;
    double w1 = s[0];
    double w2 = s[1];
    Coefficients k = coefs.current;

    auto filter = [&](int i) {
        const double x = static_cast<double>(src[i * inStride]) + kAntiDenormal;
        const double w = x - k.a1 * w1 - k.a2 * w2;
        dst[i * outStride] = static_cast<float>(k.b0 * w + k.b1 * w1 + k.b2 * w2);
        w2 = w1;
        w1 = w;
    };

    int i = 0;
    if (coefs.left > 0) {
        const int n = std::min(coefs.left, frames);
        const Coefficients d = step;
        for (; i < n; ++i) {
            k.b0 += d.b0;
            k.b1 += d.b1;
            k.b2 += d.b2;
            k.a1 += d.a1;
            k.a2 += d.a2;
            filter(i);
        }
        coefs.left -= n;
        if (coefs.left == 0) {
            k = coefs.target;
        }
    }
    for (; i < frames; ++i) {
        filter(i);
    }

    s[0] = w1;
    s[1] = w2;
    coefs.current = k;
}
