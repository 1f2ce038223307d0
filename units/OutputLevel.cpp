#include "OutputLevel.h"

#include <cmath>
#include <cstddef>

int OutputLevel::setup(int inputs, int outputs) {
    const int check = checkChannels(inputs, outputs);
    if (check != 0) {
        return check;
    }
    inChannels = inputs;
    outChannels = outputs;
    blockCounter = 0;
    current[0] = current[1] = 0.0f;
    target[0] = target[1] = 0.0f;
    return 0;
}

void OutputLevel::reset() noexcept {
    blockCounter = 0;
    current[0] = current[1] = 0.0f;
}

int OutputLevel::setParameters(float level, int mode) noexcept {
    int warning = kWarningNone;
    const double dB = clampParameter(level, -100.0f, 20.0f, kWarningGain, warning);
    int polarity = mode;
    if (polarity < 0 || polarity > 3) {
        polarity = polarity < 0 ? 0 : 3;
        warning = kWarningOther;
    }
    const float g = static_cast<float>(std::pow(10.0, dB / 20.0));
    target[0] = (polarity == 1 || polarity == 2) ? -g : g;
    target[1] = (polarity == 1 || polarity == 3) ? -g : g;
    return warning;
}

int OutputLevel::setSampleRate(float sampleRate) noexcept {
    int warning = kWarningNone;
    const float fs = clampSampleRate(sampleRate, warning);
    if (fs != rate) {
        rate = fs;
        smoothing = reference_rate::smoothing(kSmoothing, fs);
    }
    return warning;
}

int OutputLevel::process(const ChannelBuffers& in, const ChannelBuffers& out) noexcept {
    if (inChannels == 0) {
        return 0;
    }
    for (int c = 0; c < inChannels; ++c) {
        kernel(in[c], out[c], c);
    }
    return in[0].frames;
}

void OutputLevel::kernel(const ChannelBuffer& in, const ChannelBuffer& out, int channel) noexcept {
    countKernelCall();
    const int frames = usableFrames(in, out);
    const float* src = in.samples;
    float* dst = out.samples;
    const ptrdiff_t inStride = in.stride;
    const ptrdiff_t outStride = out.stride;
    Section<> f{current[channel], target[channel], smoothing};
    for (int i = 0; i < frames; ++i) {
        dst[i * outStride] = f(src[i * inStride]);
    }
    current[channel] = f.g;
}
