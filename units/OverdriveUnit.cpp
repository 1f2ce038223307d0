#include "OverdriveUnit.h"

#include <cmath>

namespace {

constexpr double kPi = 3.141592654;

}  // namespace

int OverdriveUnit::setup(int inputs, int outputs) {
    const int check = checkChannels(inputs, outputs);
    if (check != 0) {
        return check;
    }
    state = std::make_unique<float[]>(static_cast<size_t>(inputs * kStateFloats));
    inChannels = inputs;
    outChannels = outputs;
    blockCounter = 0;
    driveGain = 0.0f;
    outGain = 0.0f;
    toneA1 = 0.0f;
    return 0;
}

void OverdriveUnit::reset() noexcept {
    blockCounter = 0;
    if (state) {
        for (int i = 0; i < inChannels * kStateFloats; ++i) {
            state[static_cast<size_t>(i)] = 0.0f;
        }
    }
}

int OverdriveUnit::setParameters(float driveDb, float toneHz, float levelDb,
                                 float sampleRate) noexcept {
    int warning = kWarningNone;
    driveDb = clampParameter(driveDb, -20.0f, 100.0f, kWarningOther, warning);
    toneHz = clampParameter(toneHz, 20.0f, 20000.0f, kWarningOther, warning);
    levelDb = clampParameter(levelDb, -100.0f, 40.0f, kWarningOther, warning);
    sampleRate = clampSampleRate(sampleRate, warning);

    driveGain = static_cast<float>(std::pow(10.0, driveDb * 0.05));
    // Bilinear one-pole: c = 1/(cot w + 1) = K/(1 + K) with K = tan w, w = π·fc/fs.
    const double w = kPi * toneHz / sampleRate;
    const double c = 1.0 / (std::cos(w) / std::sin(w) + 1.0);
    toneA1 = static_cast<float>(2.0 * c - 1.0);
    outGain = static_cast<float>(std::pow(10.0, levelDb * 0.05) * c);
    return warning;
}

int OverdriveUnit::process(const ChannelBuffers& in, const ChannelBuffers& out) noexcept {
    if (!state) {
        return 0;
    }
    for (int c = 0; c < inChannels; ++c) {
        processChannel(in[c], out[c], c);
    }
    return in[0].frames;
}

void OverdriveUnit::processChannel(const ChannelBuffer& in, const ChannelBuffer& out,
                                   int c) noexcept {
    countKernelCall();
    const int frames = usableFrames(in, out);
    float* memory = state.get() + c * kStateFloats;
    const float drive = driveGain;
    const float gain = outGain;
    const float a1 = toneA1;
    const int inStride = in.stride;
    const int outStride = out.stride;
    float s = memory[0];
    for (int n = 0; n < frames; ++n) {
        float x = (in.samples[n * inStride] + kAntiDenormal) * drive;
        if (x > 1.0f) {
            x = 1.0f;
        } else if (x < -1.0f) {
            x = -1.0f;
        }
        const float y = (1.5f - 0.5f * x * x) * x;
        const float v = y - a1 * s;
        out.samples[n * outStride] = (v + s) * gain;
        s = v;
    }
    memory[0] = s;
}
