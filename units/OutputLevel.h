#pragma once

#include "ReferenceRate.h"
#include "StereoLanes.h"
#include "Unit.h"

// The output level and polarity stage: y = x g_c, where each channel's gain g_c follows its
// target through a one-pole smoother, g_c += (target_c - g_c) s per sample, s = 0.001 at
// 44100 Hz (time constant 1000 samples, 22.7 ms) and the step of the same time constant at the
// rate set. The smoother always runs, so after setup or reset the level fades in from silence.
// Targets are +-10^(level/20); the polarity mode flips both channels (1), the left (2) or the
// right (3). No per-channel allocation: the gains live in the object.
class OutputLevel : public Unit {
public:
    static constexpr float kSmoothing = 0.001f;  // per sample at 44100 Hz

    // The gain and its smoother of one channel (T float) or of both side by side
    // (StereoFloats), a sample at a time: the kernel's arithmetic, also run by loops that chain
    // several units sample by sample.
    template <typename T = float>
    struct Section {
        T g{};
        T t{};
        float s = 0.0f;

        [[gnu::always_inline]] T operator()(T in) noexcept {
            g += (t - g) * s;
            return (in + kAntiDenormal) * g;
        }
    };

    OutputLevel() = default;
    ~OutputLevel() override = default;

    // Checks and stores the channel counts; allocates nothing.
    int setup(int inputs, int outputs);
    void reset() noexcept;
    int process(const ChannelBuffers& in, const ChannelBuffers& out) noexcept;
    // Level dB [-100, 20], polarity mode [0, 3]. Always recomputes the targets (no cache).
    int setParameters(float level, int mode) noexcept;
    // The sample rate the fade runs at (44100 Hz until set); answers 1005 outside
    // [44000, 97000] Hz.
    int setSampleRate(float sampleRate) noexcept;

    // Both channels' section (counted as a kernel call each), and the section's gains put back.
    Section<StereoFloats> stereoSection() noexcept {
        countKernelCall();
        countKernelCall();
        Section<StereoFloats> s;
        s.g = StereoFloats{current[0], current[1]};
        s.t = StereoFloats{target[0], target[1]};
        s.s = smoothing;
        return s;
    }
    void store(const Section<StereoFloats>& section) noexcept {
        current[0] = section.g[0];
        current[1] = section.g[1];
    }
    float targetGain(int channel) const { return target[channel]; }

private:
    void kernel(const ChannelBuffer& in, const ChannelBuffer& out, int channel) noexcept;

    // coefficients: the fade's step per sample, and the rate it was computed for
    float smoothing = kSmoothing;
    float rate = static_cast<float>(reference_rate::kRate);

    // state: the gain each channel applies now, and the gain it moves to
    float current[2] = {0.0f, 0.0f};
    float target[2] = {0.0f, 0.0f};
};
