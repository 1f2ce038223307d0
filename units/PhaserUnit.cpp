#include "PhaserUnit.h"

#include <cmath>

namespace {

constexpr double kPi = 3.141592654;

}  // namespace

// The record carries two channels; a count outside 1..2 reported by setup must not make the
// kernel index past them (or allocate for a negative count).
int PhaserUnit::processedChannels() const noexcept {
    if (inChannels < 0) {
        return 0;
    }
    return inChannels > kMaxChannels ? kMaxChannels : inChannels;
}

int PhaserUnit::setup(int inputs, int outputs) {
    int result = 0;
    if (inputs != 1 && inputs != 2) {
        result = kErrorChannels;
    }
    if (outputs != inputs) {
        result = kErrorChannelMismatch;
    }
    inChannels = inputs;
    outChannels = outputs;
    state = std::make_unique<float[]>(static_cast<size_t>(processedChannels() * kStateFloats));
    table = std::make_unique<float[]>(kTableSize);
    if (tableSet) {
        fillTable();
    }
    for (int c = 0; c < kMaxChannels; ++c) {
        previousInput[c] = 0.0f;
        lastSweep[c] = 0.0f;
    }
    return result;
}

void PhaserUnit::reset() noexcept {
    if (state) {
        for (int i = 0; i < processedChannels() * kStateFloats; ++i) {
            state[static_cast<size_t>(i)] = 0.0f;
        }
    }
    for (int c = 0; c < kMaxChannels; ++c) {
        previousInput[c] = 0.0f;
        lastSweep[c] = 0.0f;
    }
}

// k = 1 - 1/(cot w + 1) = 1/(1 + tan w), w = π·f/fs, f on a square law from low to high.
void PhaserUnit::fillTable() noexcept {
    for (int i = 0; i < kTableSize; ++i) {
        const double t = i * (1.0 / 255.0);
        const double f = t * t * (double{tableHigh} - tableLow) + tableLow;
        const double w = kPi * f / tableRate;
        table[static_cast<size_t>(i)] =
            static_cast<float>(1.0 - 1.0 / (std::cos(w) / std::sin(w) + 1.0));
    }
}

int PhaserUnit::setParameters(float rate1, float rate2, float lfoMix, float feedbackPercent,
                              float freqLow, float freqHigh, float stageCount, float envRate,
                              float phaseDegrees, float mixPercent, float envSweep, float clip,
                              float sampleRate) noexcept {
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

int PhaserUnit::process(const ChannelBuffers& in, const ChannelBuffers& out) noexcept {
    if (!state) {
        return 0;
    }
    const int channels = processedChannels();
    for (int c = 0; c < channels; ++c) {
        processChannel(in[c], out[c], c);
    }
    return in[0].frames;
}

void PhaserUnit::processChannel(const ChannelBuffer& in, const ChannelBuffer& out, int c) noexcept {
    float* channel = state.get() + c * kStateFloats;

    // The next channel's oscillators start from this channel's start plus one more offset.
    float p1 = static_cast<float>(c) * channelOffset + channel[kLfo1];
    float p2 = static_cast<float>(c) * channelOffset + channel[kLfo2];
    if (c < processedChannels() - 1) {
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
                env += (a - env) * 0.001f;
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
