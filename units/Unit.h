#pragma once

#include <cstdint>

#include "AntiDenormal.h"
#include "ChannelBuffers.h"
#include "ReferenceRate.h"

// The contract every sound-shaping unit follows:
//  - setup(inChannels, outChannels) answers 0, -1001 (a count other than 1 or 2) or -1002
//    (different counts), allocates the per-channel state and zeroes the coefficient sets;
//  - reset() zeroes the state and the block counter, keeping coefficients;
//  - process(in, out) runs the per-channel kernel for every channel (in place when in and out
//    are the same record) and answers the frame count of channel 0, or 0 without state;
//  - the parameter setter answers a warning code: 0, or the code of the last clamped value
//    (1001 gain/slope/level, 1002 Q, 1003 frequency, 1004 order, 1005 rate, time or other);
//  - every unit computes with the host's rate (within [8000, 384000] Hz) and limits the corners
//    it computes with to 0.49 of it; a rate outside [44000, 97000] Hz is still reported with
//    1005, as callers may rely on that code.
// The block counter only matters as zero / non-zero: zero means nothing was processed since
// setup or reset, so a parameter change takes effect at once instead of gliding.
class Unit {
public:
    virtual ~Unit() = default;

    static constexpr int kWarningNone = 0;
    static constexpr int kWarningGain = 1001;
    static constexpr int kWarningQ = 1002;
    static constexpr int kWarningFrequency = 1003;
    static constexpr int kWarningOrder = 1004;
    static constexpr int kWarningOther = 1005;
    static constexpr int kErrorChannels = -1001;
    static constexpr int kErrorChannelMismatch = -1002;

    // The rates the units were voiced for; a rate outside them is reported, not refused.
    static constexpr float kMinSampleRate = 44000.0f;
    static constexpr float kMaxSampleRate = 97000.0f;

    int inputChannels() const { return inChannels; }
    int outputChannels() const { return outChannels; }
    // Kernel calls since the last setup or reset (read access for tests and tools).
    int blockCount() const { return blockCounter; }

protected:
    Unit() = default;
    Unit(const Unit&) = delete;
    Unit& operator=(const Unit&) = delete;

    // The channel check shared by the equaliser-style units: bad count first, then mismatch.
    static int checkChannels(int in, int out) noexcept {
        if (in != 1 && in != 2) {
            return kErrorChannels;
        }
        if (out != in) {
            return kErrorChannelMismatch;
        }
        return 0;
    }

    // Clamps value into [lo, hi]; a clamp sets warning to code. NaN is taken as lo (and warned)
    // so that no coefficient ever turns into NaN.
    static float clampParameter(float value, float lo, float hi, int code, int& warning) noexcept {
        if (!(value >= lo)) {
            warning = code;
            return lo;
        }
        if (value > hi) {
            warning = code;
            return hi;
        }
        return value;
    }

    // The rate a unit computes with: the host's, taken into [8000, 384000] Hz (not a number as
    // 44100). A rate outside [44000, 97000] Hz (or not a number) sets warning to 1005.
    static float clampSampleRate(float rate, int& warning) noexcept {
        if (!(rate >= kMinSampleRate && rate <= kMaxSampleRate)) {
            warning = kWarningOther;
        }
        return static_cast<float>(reference_rate::computedRate(rate));
    }

    // Counts one kernel call. The counter saturates instead of wrapping: a wrap to zero would
    // make one later parameter change jump instead of gliding (and signed overflow is undefined).
    void countKernelCall() noexcept {
        if (blockCounter < INT32_MAX) {
            ++blockCounter;
        }
    }

    // Frames a kernel may run for one channel: none when either sample pointer is missing.
    static int usableFrames(const ChannelBuffer& in, const ChannelBuffer& out) noexcept {
        return (in.samples != nullptr && out.samples != nullptr && in.frames > 0) ? in.frames : 0;
    }

    int32_t inChannels = 0;
    int32_t outChannels = 0;
    int32_t blockCounter = 0;
};
