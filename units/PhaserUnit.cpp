#include "PhaserUnit.h"

#include <cmath>

#include "FilterMath.h"
#include "ReferenceRate.h"

int PhaserUnit::setup(int inputs, int outputs) {
    const int result = setupAnyCount(inputs, outputs);
    table = std::make_unique<float[]>(kTableSize);
    if (tableSet) {
        fillTable();
    }
    clearInputMemories();
    return result;
}

void PhaserUnit::reset() noexcept {
    ChannelStateUnit::reset();
    clearInputMemories();
}

void PhaserUnit::clearInputMemories() noexcept {
    for (int c = 0; c < kMaxChannels; ++c) {
        previousInput[c] = 0.0f;
        lastSweep[c] = 0.0f;
    }
}

// k = 1 - 1/(cot w + 1) = 1/(1 + tan w), w = π·f/fs, f on a square law from low to high.
void PhaserUnit::fillTable() noexcept {
    for (int i = 0; i < kTableSize; ++i) {
        const double t = i * (1.0 / 255.0);
        const double f =
            filter_math::limitCorner(t * t * (double{tableHigh} - tableLow) + tableLow, tableRate);
        const double w = filter_math::kPi * f / tableRate;
        table[static_cast<size_t>(i)] = static_cast<float>(1.0 - filter_math::bilinearFeed(w));
    }
}

int PhaserUnit::setParameters(const Settings& settings) noexcept {
    auto [rate1, rate2, lfoMix, feedbackPercent, freqLow, freqHigh, stageCount, envRate,
          phaseDegrees, mixPercent, envSweep, clip, sampleRate] = settings;
    int warning = kWarningNone;
    rate1 = clampParameter(rate1, 0.0f, 10.0f, kWarningOther, warning);
    rate2 = clampParameter(rate2, 0.0f, 10.0f, kWarningOther, warning);
    lfoMix = clampParameter(lfoMix, 0.0f, 100.0f, kWarningOther, warning);
    feedbackPercent = clampParameter(feedbackPercent, 0.0f, 100.0f, kWarningOther, warning);
    freqLow = clampParameter(freqLow, 20.0f, 20000.0f, kWarningOther, warning);
    freqHigh = clampParameter(freqHigh, 20.0f, 20000.0f, kWarningOther, warning);
    stageCount = clampParameter(stageCount, 4.0f, 12.0f, kWarningOther, warning);
    envRate = clampParameter(envRate, -100.0f, 100.0f, kWarningOther, warning);
    phaseDegrees = clampParameter(phaseDegrees, -180.0f, 360.0f, kWarningOther, warning);
    mixPercent = clampParameter(mixPercent, -100.0f, 100.0f, kWarningOther, warning);
    envSweep = clampParameter(envSweep, -100.0f, 100.0f, kWarningOther, warning);
    clip = clampParameter(clip, 0.0f, 1.0f, kWarningOther, warning);
    const float fs = clampSampleRate(sampleRate, warning);

    // Positions per sample. A cycle spans 510 units, so 512·rate/fs runs the oscillators
    // 512/510 times the nominal rate.
    inc1 = rate1 * 512.0f / fs;
    inc2 = rate2 * 512.0f / fs;
    weight2 = static_cast<float>(lfoMix * 0.01);
    weight1 = 1.0f - weight2;
    if (clip == 1.0f) {
        clipMode = 1;
        feedback = static_cast<float>(feedbackPercent * 0.007425);
    } else {
        clipMode = 0;
        feedback = static_cast<float>(feedbackPercent * 0.0099);
    }
    stages = static_cast<int32_t>(stageCount);
    envToSweep = static_cast<float>(envSweep * 2.56);
    followerOn = (envSweep != 0.0f || envRate != 0.0f) ? 1 : 0;
    envSmoothing = reference_rate::smoothing(kFollowerFall, fs);

    const float m = static_cast<float>(mixPercent * 0.01);
    dry = 1.0f - std::fabs(m);
    wet = (stages % 2 != 0) ? -m : m;

    envToRate = envRate > 0.0f ? static_cast<float>(inc1 * envRate * 0.05)
                               : static_cast<float>(inc1 * envRate * 0.01);

    // Offset between adjacent channels in positions: 180° with two channels is 255, half a
    // cycle. No set-up channel count means no second channel to offset.
    const float p = phaseDegrees < 0.0f ? phaseDegrees + 360.0f : phaseDegrees;
    channelOffset = inChannels > 0 ? p / (360.0f / static_cast<float>(inChannels)) * 255.0f : 0.0f;

    tableLow = freqLow;
    tableHigh = freqHigh;
    tableRate = fs;
    tableSet = true;
    if (table) {
        fillTable();
    }
    return warning;
}

void PhaserUnit::kernel(const ChannelBuffer& in, const ChannelBuffer& out, int c) noexcept {
    float* channel = channelState(c);

    // The next channel's oscillators start from this channel's start plus one more offset.
    float p1 = static_cast<float>(c) * channelOffset + channel[kLfo1];
    float p2 = static_cast<float>(c) * channelOffset + channel[kLfo2];
    if (c < channels() - 1) {
        channel[kStateFloats + kLfo1] = p1;
        channel[kStateFloats + kLfo2] = p2;
    }
    const int frames = usableFrames(in, out);

    const float* k0 = table.get();
    const float rateInc1 = inc1;
    const float rateInc2 = inc2;
    const float w1 = weight1;
    const float w2 = weight2;
    const float toRate = envToRate;
    const float toSweep = envToSweep;
    const float fbGain = feedback;
    const float dryGain = dry;
    const float wetGain = wet;
    const int sections = stages;
    const bool follow = followerOn != 0;
    const float fall = envSmoothing;
    const bool soft = clipMode != 0;
    const int inStride = in.stride;
    const int outStride = out.stride;

    float sectionMemory[kMaxStages];
    for (int j = 0; j < kMaxStages; ++j) {
        sectionMemory[j] = channel[j];
    }
    float env = channel[kEnv];
    float fb = channel[kFeedback];
    float previous = previousInput[c];
    float q = lastSweep[c];
    for (int n = 0; n < frames; ++n) {
        const float input = in.samples[n * inStride];

        // Oscillator 1, its rate raised by the envelope of the previous input sample.
        float d = rateInc1;
        if (follow) {
            const float a = std::fabs(previous);
            if (a > env) {
                env = a;
            } else {
                env += (a - env) * fall;
            }
            d = env * toRate + rateInc1;
        }
        previous = input;

        p1 += d;
        if (p1 > 255.0f) {
            p1 -= 510.0f;
        }
        const float t1 = std::fabs(p1);
        p2 += rateInc2;
        if (p2 > 255.0f) {
            p2 -= 510.0f;
        }
        const float t2 = std::fabs(p2);

        // Clamped to [0, 254] so that entry i + 1 stays inside the table; a NaN position (from
        // a non-finite input reaching the follower) reads as 0.
        q = t2 * w2 + env * toSweep + t1 * w1;
        if (!(q >= 0.0f)) {
            q = 0.0f;
        } else if (q > 254.0f) {
            q = 254.0f;
        }
        const int i = static_cast<int>(q);
        const float k = k0[i] + (k0[i + 1] - k0[i]) * (q - static_cast<float>(i));

        const float x = input + kAntiDenormal;
        float v = fb * fbGain + x;
        for (int j = 0; j < sections; ++j) {
            const float y = k * v - sectionMemory[j];
            sectionMemory[j] = v - k * y;
            v = y;
        }
        if (soft) {
            if (v > 1.0f) {
                v = 1.0f;
            } else if (v < -1.0f) {
                v = -1.0f;
            }
            v = (1.5f - 0.5f * v * v) * v;
        }
        fb = v;
        out.samples[n * outStride] = x * dryGain + v * wetGain;
    }
    for (int j = 0; j < kMaxStages; ++j) {
        channel[j] = sectionMemory[j];
    }
    channel[kEnv] = env;
    channel[kLfo1] = p1;
    channel[kLfo2] = p2;
    channel[kFeedback] = fb;
    previousInput[c] = previous;
    lastSweep[c] = q;
}
