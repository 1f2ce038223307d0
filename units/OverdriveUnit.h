#pragma once

#include "ChannelStateUnit.h"

// Soft-clipping overdrive. Per sample of a channel, with s the tone filter's memory:
//   x = (input + 1e-7)·driveGain, limited to [-1, 1]
//   y = (1.5 - 0.5·x²)·x          cubic soft clip: slope 1.5 at 0, reaches ±1 with zero slope
//   v = y - toneA1·s;  output = (v + s)·outGain;  s = v
// The tone filter is the bilinear one-pole low-pass c·(1 + z⁻¹)/(1 + (2c - 1)·z⁻¹) with
// c = K/(1 + K), K = tan(π·fc/fs): gain 1 at DC, 1/√2 at fc, 0 at Nyquist. outGain holds the
// output level times c. No parameter cache and no gliding: every setter call takes effect
// from the next sample processed.
class OverdriveUnit : public ChannelStateUnit<OverdriveUnit, float, 2> {
public:
    static constexpr int kStateFloats = 2;  // s, then one float that is not read

    OverdriveUnit() = default;
    ~OverdriveUnit() override = default;

    // Drive [-20, 100] dB, tone [20, 20000] Hz (at most 0.49 fs), level [-100, 40] dB, sample
    // rate Hz; answers 1005 when any value had to be clamped or the rate lies outside
    // [44000, 97000] Hz, else 0.
    struct Settings {
        float driveDb;
        float toneHz;
        float levelDb;
        float sampleRate;
    };
    int setParameters(const Settings& settings) noexcept;

private:
    friend ChannelStateUnit<OverdriveUnit, float, kStateFloats>;
    void clearCoefficients() noexcept;
    void kernel(const ChannelBuffer& in, const ChannelBuffer& out, int c) noexcept;

    // coefficients
    float driveGain = 0.0f;
    float outGain = 0.0f;
    float toneA1 = 0.0f;

    // state (ChannelStateUnit): s and one unused float per channel
};
