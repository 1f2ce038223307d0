#pragma once

#include <cstdint>
#include <memory>

#include "ChannelStateUnit.h"

// Swept all-pass phaser with feedback. A chain of 4 to 12 first-order all-pass sections
//   y = k·v - s;  s = v - k·y        H(z) = (k - z⁻¹)/(1 - k·z⁻¹), DC gain -1, Nyquist gain +1
// is swept by two triangle oscillators over positions -255..255 (510 units per cycle; the
// sweep uses |p|) and optionally by an envelope follower of the input. The sweep position
// q in [0, 254] interpolates a 256-entry table of k = 1/(1 + tan(π·f/fs)) with
// f = (i/255)²·(high - low) + low, at most 0.49·fs. The wet chain output v (optionally clipped
// to ±1 and soft-clipped, (1.5 - 0.5·v²)·v) is fed back and mixed: output = x·dry + v·wet, the
// wet sign flipped for an odd section count so that the chain's DC polarity is cancelled.
//
// The follower reads the previous input sample; at a block's first sample that is the
// previous block's last input (0 after setup or reset), kept per channel in the object so
// that the 16-float state layout stays as it is. It jumps up to a louder sample and falls back
// by 0.001 of the distance per sample at 44100 Hz (the step of the same time constant, 22.7 ms,
// at other rates).
class PhaserUnit : public ChannelStateUnit<PhaserUnit, float, 16> {
public:
    static constexpr int kStateFloats = 16;  // 12 sections, env, lfo1, lfo2, fb
    static constexpr int kMaxStages = 12;
    static constexpr int kTableSize = 256;
    static constexpr int kMaxChannels = 2;          // a ChannelBuffers record holds two channels
    static constexpr float kFollowerFall = 0.001f;  // per sample at 44100 Hz

    PhaserUnit() = default;
    ~PhaserUnit() override = default;

    // Rates [0, 10] Hz, lfoMix [0, 100] %, feedback [0, 100] %, low and high frequency
    // [20, 20000] Hz, stageCount [4, 12], envRate [-100, 100] %, phase [-180, 360] degrees,
    // mix [-100, 100] %, envSweep [-100, 100] %, clip [0, 1] (exactly 1: soft-clipped
    // feedback path), sample rate Hz; answers 1005 when any value had to be clamped or the rate
    // lies outside [44000, 97000] Hz, else 0. Rebuilds the table.
    struct Settings {
        float rate1;
        float rate2;
        float lfoMix;
        float feedbackPercent;
        float freqLow;
        float freqHigh;
        float stageCount;
        float envRate;
        float phaseDegrees;
        float mixPercent;
        float envSweep;
        float clip;
        float sampleRate;
    };
    virtual int setParameters(const Settings& settings) noexcept;

    // 0, -1001 (a count other than 1 or 2) or -1002 (different counts; the later check wins).
    // Whatever the answer, allocates zeroed state for inputs channels (at most two, none for a
    // negative count) and a new table, and stores both counts.
    int setup(int inputs, int outputs);
    // Oscillators to position 0, envelope, feedback and section memories to 0.
    void reset() noexcept;
    // process comes from ChannelStateUnit.

private:
    static constexpr int kEnv = 12;
    static constexpr int kLfo1 = 13;
    static constexpr int kLfo2 = 14;
    static constexpr int kFeedback = 15;

    friend ChannelStateUnit<PhaserUnit, float, kStateFloats>;
    void fillTable() noexcept;
    // The follower's previous input and the last sweep position of every channel to 0.
    void clearInputMemories() noexcept;
    void kernel(const ChannelBuffer& in, const ChannelBuffer& out, int c) noexcept;

    // coefficients
    float inc1 = 0.0f;
    float inc2 = 0.0f;
    float feedback = 0.0f;
    int32_t stages = 0;
    float envToRate = 0.0f;
    float channelOffset = 0.0f;
    float weight1 = 0.0f;
    float weight2 = 0.0f;
    float dry = 0.0f;
    float wet = 0.0f;
    float envToSweep = 0.0f;
    int32_t followerOn = 0;
    float envSmoothing = kFollowerFall;  // the follower's fall step per sample
    int32_t clipMode = 0;
    std::unique_ptr<float[]> table;
    // The table's inputs from the last setter call, so that a table allocated by a later
    // setup is filled too (zeroed until the first setter call).
    float tableLow = 0.0f;
    float tableHigh = 0.0f;
    float tableRate = 0.0f;
    bool tableSet = false;

    // state (ChannelStateUnit): 12 section memories, env, lfo1, lfo2, fb per channel
    float previousInput[kMaxChannels] = {0.0f, 0.0f};
    float lastSweep[kMaxChannels] = {0.0f, 0.0f};
};
