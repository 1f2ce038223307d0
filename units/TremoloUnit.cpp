#include "TremoloUnit.h"

#include <cmath>

#include "FilterMath.h"

namespace {

// π·25 Hz: v = π·fc/fs is the pre-warp angle of the 25 Hz one-pole smoother.
constexpr double kSmoothingAngle = 78.53981635;

}  // namespace

void TremoloUnit::clearCoefficients() noexcept {
    depth = 0.0f;
    increment = 0.0f;
    duty[0] = duty[1] = 0.0f;
    smoothing = 0.0f;
    riseCoef[0] = riseCoef[1] = 0.0f;
    fallCoef[0] = fallCoef[1] = 0.0f;
    phaseOffset = 0.0f;
}

// The per-sample step that covers 90 % of the distance in T ms (e^-2.3 ≈ 0.1); T = 0 jumps.
float TremoloUnit::envelopeCoef(float milliseconds) const noexcept {
    if (milliseconds == 0.0f) {
        return 1.0f;
    }
    return static_cast<float>(1.0 - std::exp(-2300.0 / (milliseconds * double{sampleRate})));
}

int TremoloUnit::setParameters(const Settings& settings) noexcept {
    auto [depthPercent, rate, dutyPercent, slopePercent, phaseDegrees, sampleRateHz] = settings;
    int warning = kWarningNone;
    depthPercent = clampParameter(depthPercent, 0.0f, 100.0f, kWarningOther, warning);
    rate = clampParameter(rate, -35.0f, 20.0f, kWarningOther, warning);
    dutyPercent = clampParameter(dutyPercent, 0.0f, 100.0f, kWarningOther, warning);
    slopePercent = clampParameter(slopePercent, 0.0f, 100.0f, kWarningOther, warning);
    phaseDegrees = clampParameter(phaseDegrees, -180.0f, 360.0f, kWarningOther, warning);
    const float fs = clampSampleRate(sampleRateHz, warning);
    clock.setSampleRate(fs);

    // Tempo-synchronised mode has no timing source (see the class comment): the clock keeps
    // the note value, the oscillator stands still.
    float cycleRate = rate;
    if (rate >= 0.0f) {
        increment = rate / fs;
        syncMode = 0;
    } else {
        clock.selectNoteValue(static_cast<int>(-rate), 0.5f);
        syncMode = 1;
        cycleRate = 0.0f;
        increment = 0.0f;
    }

    depth = static_cast<float>(depthPercent * 0.01);

    // Channel 1's phase offset in cycles; with two channels degrees / 360. Without a set-up
    // channel count there is no second channel to offset.
    const float p = phaseDegrees < 0.0f ? phaseDegrees + 360.0f : phaseDegrees;
    phaseOffset = inChannels > 0 ? p / static_cast<float>(inChannels * 180) : 0.0f;

    duty[0] = static_cast<float>(dutyPercent * 0.01);
    if (phaseOffset == 0.5f) {
        // Antiphase: channel 1 mirrors the duty so its segments line up with channel 0's.
        duty[1] = 1.0f - duty[0];
        phaseOffset = 1.0f - duty[0];
    } else {
        duty[1] = duty[0];
    }

    const double v = kSmoothingAngle / fs;
    smoothing = static_cast<float>(filter_math::bilinearFeed(v));

    sampleRate = fs;
    slopeScale = slopePercent * 10.0f;

    // L: the slope share of one oscillator period, in ms. A frozen oscillator (rate 0, or a
    // rate so small that L overflows) gets coefficients 0, so the envelope holds.
    const float slopeMs = cycleRate > 0.0f ? slopeScale / cycleRate : 0.0f;
    if (cycleRate > 0.0f && std::isfinite(slopeMs)) {
        fallCoef[0] = envelopeCoef(slopeMs * duty[0]);
        riseCoef[0] = envelopeCoef(slopeMs * (1.0f - duty[0]));
        fallCoef[1] = envelopeCoef(slopeMs * duty[1]);
        riseCoef[1] = envelopeCoef(slopeMs * (1.0f - duty[1]));
    } else {
        fallCoef[0] = riseCoef[0] = fallCoef[1] = riseCoef[1] = 0.0f;
    }
    return warning;
}

void TremoloUnit::kernel(const ChannelBuffer& in, const ChannelBuffer& out, int c) noexcept {
    countKernelCall();
    float* channel = channelState(c);

    // Every block, channel c + 1 starts from this channel's start phase plus the offset, so
    // the channels never drift apart.
    float s = static_cast<float>(c) * phaseOffset + channel[0];
    if (s > 1.0f) {
        s -= 1.0f;
    }
    if (c < inChannels - 1) {
        channel[kStateFloats] = s;
    }
    const int frames = usableFrames(in, out);

    const float inc = increment;
    const float split = duty[c];
    const float fall = fallCoef[c];
    const float rise = riseCoef[c];
    const float target = depth;
    const float smooth = smoothing;
    const int inStride = in.stride;
    const int outStride = out.stride;
    float e = channel[1];
    float m = channel[2];
    for (int n = 0; n < frames; ++n) {
        s += inc;
        if (s > 1.0f) {
            s -= 1.0f;
        }
        if (s <= split) {
            e -= e * fall;
        } else {
            e += (target - e) * rise;
        }
        m += (e - m) * smooth;
        out.samples[n * outStride] = (1.0f - m) * (in.samples[n * inStride] + kAntiDenormal);
    }
    channel[0] = s;
    channel[1] = e;
    channel[2] = m;
}
