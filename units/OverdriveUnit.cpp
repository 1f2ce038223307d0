#include "OverdriveUnit.h"

#include <cmath>

#include "FilterMath.h"

void OverdriveUnit::clearCoefficients() noexcept {
    driveGain = 0.0f;
    outGain = 0.0f;
    toneA1 = 0.0f;
}

int OverdriveUnit::setParameters(const Settings& settings) noexcept {
    auto [driveDb, toneHz, levelDb, sampleRate] = settings;
    int warning = kWarningNone;
    driveDb = clampParameter(driveDb, -20.0f, 100.0f, kWarningOther, warning);
    toneHz = clampParameter(toneHz, 20.0f, 20000.0f, kWarningOther, warning);
    levelDb = clampParameter(levelDb, -100.0f, 40.0f, kWarningOther, warning);
    sampleRate = clampSampleRate(sampleRate, warning);

    driveGain = static_cast<float>(std::pow(10.0, driveDb * 0.05));
    // Bilinear one-pole: c = 1/(cot w + 1) = K/(1 + K) with K = tan w, w = π·fc/fs.
    const double w = filter_math::kPi * filter_math::limitCorner(toneHz, sampleRate) / sampleRate;
    const double c = filter_math::bilinearFeed(w);
    toneA1 = static_cast<float>(2.0 * c - 1.0);
    outGain = static_cast<float>(std::pow(10.0, levelDb * 0.05) * c);
    return warning;
}

void OverdriveUnit::kernel(const ChannelBuffer& in, const ChannelBuffer& out, int c) noexcept {
    countKernelCall();
    const int frames = usableFrames(in, out);
    float* memory = channelState(c);
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
