#pragma once

#include <memory>

#include "Unit.h"

// Soft-clipping overdrive. Per sample of a channel, with s the tone filter's memory:
//   x = (input + 1e-7)·driveGain, limited to [-1, 1]
//   y = (1.5 - 0.5·x²)·x          cubic soft clip: slope 1.5 at 0, reaches ±1 with zero slope
//   v = y - toneA1·s;  output = (v + s)·outGain;  s = v
// The tone filter is the bilinear one-pole low-pass c·(1 + z⁻¹)/(1 + (2c - 1)·z⁻¹) with
// c = K/(1 + K), K = tan(π·fc/fs): gain 1 at DC, 1/√2 at fc, 0 at Nyquist. outGain holds the
// output level times c. No parameter cache and no gliding: every setter call takes effect
// from the next sample processed.
class OverdriveUnit : public Unit {
public:
    static constexpr int kStateFloats = 2;  // s, then one float that is not read

    OverdriveUnit() = default;
    ~OverdriveUnit() override = default;

    // 0, -1001 (a count other than 1 or 2) or -1002 (different counts); allocates the state.
    int setup(int inputs, int outputs);
    // Zeroes the tone filter memories and the block counter.
    void reset() noexcept;
    // Runs every channel (in place allowed); answers the frame count of in[0], 0 without state.
    int process(const ChannelBuffers& in, const ChannelBuffers& out) noexcept;
    // Drive [-20, 100] dB, tone [20, 20000] Hz, level [-100, 40] dB, sample rate
    // [44000, 97000] Hz; answers 1005 when any value had to be clamped, else 0.
    int setParameters(float driveDb, float toneHz, float levelDb, float sampleRate) noexcept;

private:
    void processChannel(const ChannelBuffer& in, const ChannelBuffer& out, int c) noexcept;

    // coefficients
    float driveGain = 0.0f;
    float outGain = 0.0f;
    float toneA1 = 0.0f;

    // state
    std::unique_ptr<float[]> state;
};
