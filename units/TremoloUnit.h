#pragma once

#include <cstdint>

#include "ChannelStateUnit.h"
#include "TempoClock.h"

// Amplitude tremolo (auto-pan at 180° stereo phase). One oscillator phase s in cycles, shared
// by the channels with a fixed offset, splits each cycle at the duty point: while s ≤ duty the
// envelope falls toward 0, after it rises toward the depth, each step covering
// coef(T) = 1 - exp(-2300/(T·fs)) of the remaining distance (90 % within T ms, T being the
// slope share of the segment). A 25 Hz one-pole smooths the envelope, and the gain is
// 1 - smoothed, swinging between 1 and 1 - depth. Per sample of channel c:
//   s += increment (wrap only when s > 1);  e -= e·fall  or  e += (depth - e)·rise
//   m += (e - m)·smoothing;  output = (1 - m)·(input + 1e-7)
// Rates below 0 select tempo-synchronised note values; the host offers no tempo or position,
// so such a rate runs as rate 0 (oscillator frozen, envelope held) while the clock keeps the
// chosen note value.
class TremoloUnit : public ChannelStateUnit<TremoloUnit, float, 3> {
public:
    static constexpr int kStateFloats = 3;  // phase, env, smoothed

    TremoloUnit() = default;
    ~TremoloUnit() override = default;

    // Depth [0, 100] %, rate [-35, 20] Hz (negative: tempo-synchronised note value -rate),
    // duty [0, 100] %, slope [0, 100] % of each segment, stereo phase [-180, 360] degrees,
    // sample rate Hz; answers 1005 when any value had to be clamped or the rate lies outside
    // [44000, 97000] Hz, else 0.
    struct Settings {
        float depthPercent;
        float rate;
        float dutyPercent;
        float slopePercent;
        float phaseDegrees;
        float sampleRate;
    };
    virtual int setParameters(const Settings& settings) noexcept;

    // setup, reset (oscillators restart at phase 0 with envelope 0, gain 1) and process come
    // from ChannelStateUnit.

private:
    friend ChannelStateUnit<TremoloUnit, float, kStateFloats>;
    void clearCoefficients() noexcept;
    void kernel(const ChannelBuffer& in, const ChannelBuffer& out, int c) noexcept;
    float envelopeCoef(float milliseconds) const noexcept;

    // coefficients
    float depth = 0.0f;
    float increment = 0.0f;
    float duty[2] = {0.0f, 0.0f};
    float smoothing = 0.0f;
    float riseCoef[2] = {0.0f, 0.0f};
    float fallCoef[2] = {0.0f, 0.0f};
    float phaseOffset = 0.0f;
    float sampleRate = 0.0f;
    float slopeScale = 0.0f;
    TempoClock clock;
    uint8_t syncMode = 0;

    // state (ChannelStateUnit): phase, env, smoothed per channel
};
