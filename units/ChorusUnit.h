#pragma once

#include <cstdint>

#include "ChannelStateUnit.h"

// Modulated-delay chorus. Two triangle oscillators o over -1..1 (2 units per cycle), each
// smoothed as m += (|o| - m)·s (s = 0.001 at 44100 Hz, a 22.7 ms time constant), give the
// modulation mod = weight2·m2 + weight1·m1 and the sweep d = mod·depth samples. Per sample, with
// w the write index of the ring (4096 samples at 44100 Hz):
//   t  = line1 read at w - d, linearly interpolated (fraction f)
//   y  = (0.5 - 0.5h)·(t + p2) + h·p1,  h = 1 - (f - 0.5)²   (symmetric 3-point blend, one
//        sample of extra delay, unity DC gain)
//   z  = y·wet + x·dry;  optionally z re-delayed through line 2 at w - depth - d·tapRatio
//   line1[w + baseDelay] = y·feedback + x;  output = (1 - mod·amDepth)·z
// Line 1's delay is therefore baseDelay + d samples. Channel 1's oscillators run
// channelOffset units from channel 0's. The parameters give delays in samples at 44100 Hz; at
// other rates baseDelay, depth and the ring scale with the rate (the ring to the power of two of
// at least 4096·fs/44100 samples), so the chorus sounds the same in seconds. Each line holds the
// ring of the highest rate, 65536 samples, allocated by setup.
class ChorusUnit : public ChannelStateUnit<ChorusUnit, float, 131081> {
public:
    static constexpr int kLineLength = 4096;        // the ring at 44100 Hz
    static constexpr int kLineCapacity = 65536;     // each line: the ring at the highest rate
    static constexpr int kStateFloats = 131081;     // 5 + 2 lines + 4 blend memories
    static constexpr int kMaxChannels = 2;          // a ChannelBuffers record holds two channels
    static constexpr float kLfoSmoothing = 0.001f;  // per sample at 44100 Hz

    ChorusUnit() = default;
    ~ChorusUnit() override = default;

    // Mix [0, 100] %, delay [0, 100] (baseDelay = 10·trunc(delay) + 1 samples at 44100 Hz),
    // depth [0, 100] (10 samples per unit at 44100 Hz), rates [0, 20] Hz, lfoMix [0, 100] %,
    // feedback [-99, 99] %, am [0, 100] %, secondTap [0, 1], rateScaled [0, 1], phase
    // [-180, 360] degrees, sample rate Hz; answers 1005 when any value had to be clamped or the
    // rate lies outside [44000, 97000] Hz, else 0. A rate that changes the ring clears the lines.
    struct Settings {
        float mixPercent;
        float delay;
        float depth;
        float rate1;
        float rate2;
        float lfoMix;
        float feedbackPercent;
        float amPercent;
        float secondTap;
        float rateScaled;
        float phaseDegrees;
        float sampleRate;
    };
    virtual int setParameters(const Settings& settings) noexcept;

    // 0, -1001 (a count other than 1 or 2) or -1002 (different counts; the later check wins).
    // Whatever the answer, allocates zeroed state for inputs channels (at most two, none for a
    // negative count), stores both counts and zeroes the block counter.
    int setup(int inputs, int outputs) { return setupAnyCount(inputs, outputs); }
    // Oscillators, the ring of both lines, blend memories and the block counter to 0.
    void reset() noexcept;
    // process comes from ChannelStateUnit.

private:
    static constexpr int kLfo1 = 0;
    static constexpr int kSmooth1 = 1;
    static constexpr int kLfo2 = 2;
    static constexpr int kSmooth2 = 3;
    static constexpr int kWriteIndex = 4;
    static constexpr int kLine1 = 5;
    static constexpr int kLine2 = kLine1 + kLineCapacity;
    static constexpr int kP1 = kLine2 + kLineCapacity;
    static constexpr int kP2 = kP1 + 1;
    static constexpr int kQ1 = kP1 + 2;
    static constexpr int kQ2 = kP1 + 3;
    static_assert(kQ2 + 1 == kStateFloats);

    friend ChannelStateUnit<ChorusUnit, float, kStateFloats>;
    void kernel(const ChannelBuffer& in, const ChannelBuffer& out, int c) noexcept;
    // Zeroes the ring in use of both lines of every channel.
    void clearRings() noexcept;

    // coefficients
    float inc1 = 0.0f;
    float inc2 = 0.0f;
    float depth = 0.0f;
    float referenceDepth = 0.0f;  // depth in samples at 44100 Hz
    int32_t baseDelay = 0;
    float feedback = 0.0f;
    float wet = 0.0f;
    float dry = 0.0f;
    float amDepth = 0.0f;
    uint8_t secondTap = 0;
    float tapRatio = 0.0f;
    float channelOffset = 0.0f;
    float weight1 = 0.0f;
    float weight2 = 0.0f;
    float lfoSmoothing = kLfoSmoothing;
    int32_t ringLength = kLineLength;  // a power of two

    // state (ChannelStateUnit): kStateFloats per channel, laid out as the indices above
};
