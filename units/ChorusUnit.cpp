#include "ChorusUnit.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "ReferenceRate.h"

namespace {

constexpr double kFourPi = 12.566370616;

static_assert(ChorusUnit::kLineLength * reference_rate::kHighestRate / reference_rate::kRate <=
                  ChorusUnit::kLineCapacity,
              "a line holds the ring of the highest rate");

// The ring at fs: 4096 samples at 44100 Hz scaled to the rate, up to a power of two (so that
// the positions at 44100 Hz are those of a 4096-sample ring, bit for bit).
int32_t ringFor(double fs) noexcept {
    return static_cast<int32_t>(
        std::bit_ceil(static_cast<uint32_t>(reference_rate::samples(ChorusUnit::kLineLength, fs))));
}

// Brings a read position into [0, length): one turn either way covers every reachable delay
// (at most 1500 + 1001 samples at 44100 Hz, in a 4096-sample ring). The order matters:
// -1e-5 + 4096 rounds to 4096, which the second test folds back to 0.
float wrapPosition(float r, float length) noexcept {
    if (r < 0.0f) {
        r += length;
    }
    if (r >= length) {
        r -= length;
    }
    return r;
}

// The write index is an int32 kept in a float slot of the state (bit pattern, not value).
int32_t loadIndex(const float* slot) noexcept {
    int32_t index = 0;
    std::memcpy(&index, slot, sizeof index);
    return index;
}

void storeIndex(float* slot, int32_t index) noexcept {
    std::memcpy(slot, &index, sizeof index);
}

}  // namespace

int ChorusUnit::setParameters(const Settings& settings) noexcept {
    auto [mixPercent, delay, depthAmount, rate1, rate2, lfoMix, feedbackPercent, amPercent,
          secondTapSwitch, rateScaled, phaseDegrees, sampleRate] = settings;
    int warning = kWarningNone;
    mixPercent = clampParameter(mixPercent, 0.0f, 100.0f, kWarningOther, warning);
    delay = clampParameter(delay, 0.0f, 100.0f, kWarningOther, warning);
    depthAmount = clampParameter(depthAmount, 0.0f, 100.0f, kWarningOther, warning);
    rate1 = clampParameter(rate1, 0.0f, 20.0f, kWarningOther, warning);
    rate2 = clampParameter(rate2, 0.0f, 20.0f, kWarningOther, warning);
    lfoMix = clampParameter(lfoMix, 0.0f, 100.0f, kWarningOther, warning);
    feedbackPercent = clampParameter(feedbackPercent, -99.0f, 99.0f, kWarningOther, warning);
    amPercent = clampParameter(amPercent, 0.0f, 100.0f, kWarningOther, warning);
    secondTapSwitch = clampParameter(secondTapSwitch, 0.0f, 1.0f, kWarningOther, warning);
    rateScaled = clampParameter(rateScaled, 0.0f, 1.0f, kWarningOther, warning);
    phaseDegrees = clampParameter(phaseDegrees, -180.0f, 360.0f, kWarningOther, warning);
    const float fs = clampSampleRate(sampleRate, warning);

    inc1 = 2.0f * rate1 / fs;
    inc2 = 2.0f * rate2 / fs;
    lfoSmoothing = reference_rate::smoothing(kLfoSmoothing, fs);
    const float m = static_cast<float>(mixPercent * 0.01);
    wet = m;
    dry = 1.0f - m;
    baseDelay = reference_rate::samples(static_cast<int32_t>(delay) * 10 + 1, fs);
    feedback = static_cast<float>(feedbackPercent * 0.01);
    weight2 = static_cast<float>(lfoMix * 0.01);
    weight1 = 1.0f - weight2;
    amDepth = static_cast<float>(m * amPercent * 0.01);

    // Sweep in samples at 44100 Hz; in rate-scaled mode the swing shrinks as rate 1 rises (a
    // rate of 0 leaves the previous swing), at most 1500 samples.
    const float swing = depthAmount * 10.0f;
    if (rateScaled != 0.0f) {
        if (rate1 != 0.0f) {
            referenceDepth = swing / rate1;
        }
        if (referenceDepth > 1500.0f) {
            referenceDepth = 1500.0f;
        }
    } else {
        referenceDepth = swing;
    }
    depth = reference_rate::span(referenceDepth, fs);

    // Line 2's read point moves with the modulation by a ratio that runs smoothly from 0 at
    // mix 0 through -0.5 at mix 0.5 to -1 at mix 1.
    if (secondTapSwitch > 0.0f) {
        secondTap = 1;
        if (m <= 0.5f) {
            tapRatio = static_cast<float>(0.25 * std::cos(kFourPi * m * m) - 0.25);
        } else {
            const double u = m - 1.0;
            tapRatio = static_cast<float>(-0.75 - 0.25 * std::cos(kFourPi * u * u));
        }
    } else {
        secondTap = 0;
    }

    // Offset in oscillator units (2 per cycle): 180° with two channels is 1, half a cycle. No
    // set-up channel count means no second channel to offset.
    const float p = phaseDegrees < 0.0f ? phaseDegrees + 360.0f : phaseDegrees;
    channelOffset = inChannels > 0 ? p / (360.0f / static_cast<float>(inChannels)) : 0.0f;

    // A new ring length reads the lines at other places: they start again from silence.
    const int32_t ring = ringFor(fs);
    if (ring != ringLength) {
        ringLength = ring;
        clearRings();
    }
    return warning;
}

void ChorusUnit::clearRings() noexcept {
    if (!state) {
        return;
    }
    for (int c = 0; c < channels(); ++c) {
        float* channel = channelState(c);
        std::fill_n(channel + kLine1, ringLength, 0.0f);
        std::fill_n(channel + kLine2, ringLength, 0.0f);
    }
}

// Only the ring in use needs clearing: a line is read only within it, and a new ring length
// clears its ring.
void ChorusUnit::reset() noexcept {
    blockCounter = 0;
    if (!state) {
        return;
    }
    clearRings();
    for (int c = 0; c < channels(); ++c) {
        float* channel = channelState(c);
        std::fill_n(channel, kLine1, 0.0f);
        std::fill_n(channel + kP1, kStateFloats - kP1, 0.0f);
    }
}

void ChorusUnit::kernel(const ChannelBuffer& in, const ChannelBuffer& out, int c) noexcept {
    float* channel = channelState(c);

    float o1 = static_cast<float>(c) * channelOffset + channel[kLfo1];
    float o2 = static_cast<float>(c) * channelOffset + channel[kLfo2];
    if (c < channels() - 1) {
        channel[kStateFloats + kLfo1] = o1;
        channel[kStateFloats + kLfo2] = o2;
    }
    countKernelCall();
    const int frames = usableFrames(in, out);

    float* line1 = channel + kLine1;
    float* line2 = channel + kLine2;
    const float rateInc1 = inc1;
    const float rateInc2 = inc2;
    const float w1 = weight1;
    const float w2 = weight2;
    const float swing = depth;
    const float wetGain = wet;
    const float dryGain = dry;
    const float fbGain = feedback;
    const float am = amDepth;
    const float ratio = tapRatio;
    const bool tap2 = secondTap != 0;
    const int ahead = baseDelay;
    const float fall = lfoSmoothing;
    const int32_t mask = ringLength - 1;
    const float length = static_cast<float>(ringLength);
    const int inStride = in.stride;
    const int outStride = out.stride;

    float smooth1 = channel[kSmooth1];
    float smooth2 = channel[kSmooth2];
    float p1 = channel[kP1];
    float p2 = channel[kP2];
    float q1 = channel[kQ1];
    float q2 = channel[kQ2];
    int32_t w = loadIndex(channel + kWriteIndex) & mask;
    float wf = static_cast<float>(w);

    for (int n = 0; n < frames; ++n) {
        const float x = in.samples[n * inStride] + kAntiDenormal;

        o1 += rateInc1;
        if (o1 > 1.0f) {
            o1 -= 2.0f;
        }
        smooth1 += (std::fabs(o1) - smooth1) * fall;
        o2 += rateInc2;
        if (o2 > 1.0f) {
            o2 -= 2.0f;
        }
        smooth2 += (std::fabs(o2) - smooth2) * fall;
        const float mod = w2 * smooth2 + w1 * smooth1;
        const float d = mod * swing;

        const float r = wrapPosition(wf - d, length);
        const int i = static_cast<int>(r) & mask;
        const float f = r - static_cast<float>(i);
        const float t = line1[i] + (line1[(i + 1) & mask] - line1[i]) * f;

        const float h = 1.0f - (f - 0.5f) * (f - 0.5f);
        const float side = 0.5f - 0.5f * h;
        const float y = side * (t + p2) + h * p1;
        p2 = p1;
        p1 = t;

        float z = y * wetGain + x * dryGain;
        if (tap2) {
            line2[w] = z;
            const float r2 = wrapPosition(wf - swing - d * ratio, length);
            const int i2 = static_cast<int>(r2) & mask;
            const float f2 = r2 - static_cast<float>(i2);
            const float t2 = line2[i2] + (line2[(i2 + 1) & mask] - line2[i2]) * f2;
            z = side * (t2 + q2) + h * q1;
            q2 = q1;
            q1 = t2;
        }

        line1[(ahead + w) & mask] = y * fbGain + x;
        out.samples[n * outStride] = (1.0f - mod * am) * z;
        w = (w + 1) & mask;
        wf = static_cast<float>(w);
    }

    channel[kLfo1] = o1;
    channel[kSmooth1] = smooth1;
    channel[kLfo2] = o2;
    channel[kSmooth2] = smooth2;
    storeIndex(channel + kWriteIndex, w);
    channel[kP1] = p1;
    channel[kP2] = p2;
    channel[kQ1] = q1;
    channel[kQ2] = q2;
}
