#pragma once

#include "VoiceComponent.h"

// A damped two-state resonator (normalised waveguide oscillator) with a damper contact:
//   v = decay·(s1 + x);  w = cosOmega·(v + s2);  u = w + v;  s1 = w − s2;  s2 = u;  y = A·u.
// With decay 1 the step has eigenvalues e^(±iω), cos ω = cosOmega; with decay k its
// determinant is k, so the amplitude shrinks by √k per sample (10 dB in x ms for the decay
// law's coefficient of x). While released (`held` 0) every negative output y is clipped at
// `damperFloor`, smoothed by a one-pole with `damperAlpha`, and added back into the input
// buffer, where later readers of that buffer pick it up. The resonator falls silent once
// `ringSamples` have passed (in whole slices) since its last non-zero input or decay change.
//
// The instrument is voiced at 44.1 kHz, where cos ω is rounded to a float. At any other rate the
// resonator rings at exactly the frequency that float gives at 44.1 kHz, with cos ω in double
// (a float cos ω would put the lowest keys out of tune at high rates), and its output is scaled
// so that a pulse of the same shape in seconds rings it as loud as at 44.1 kHz. An impulse x
// rings the oscillator at x·cot(ω/2), and a pulse of given shape in seconds has 44100/R times as
// many samples at the rate R, so the gain is (44100/R)·tan(ω_R/2) / tan(ω₄₄/2). A partial at
// or above half the rate cannot ring and is silent.
class Resonator : public VoiceComponent {
public:
    explicit Resonator(RenderContext* renderContext) noexcept;

    void setInput(int index, float* buffer) noexcept override;
    void setOutput(int index, float* buffer) noexcept override;
    void reset() noexcept override;
    void process() noexcept override;

    // Frequency in Hz (1 to 20000), output amplitude, damper contact level, ring time in
    // seconds; the fifth value is ignored. Leaves the signal state as it is.
    virtual void configure(float frequency, float gain, float damperLevel, float ringTime,
                           float ignored) noexcept;
    // Per-sample decay multiplier; `isHeld` false switches the damper contact on.
    virtual void setDecay(float coefficient, bool isHeld) noexcept;
    // Per-sample decay multiplier, damper contact off.
    virtual void setHoldDecay(float coefficient) noexcept;

    // ω at 44.1 kHz (radians per sample) of the configured frequency.
    double referenceOmega() const noexcept { return omega44; }
    // Scales the output for an exciting pulse that is not smooth (see Hammer::pulseWeight).
    void weightOutput(double weight) noexcept;

private:
    friend class FusedVoiceKernel;  // the fused render reads and writes the state

    template <bool Released>
    void ring(int n) noexcept;

    // coefficients
    double cosOmega = 0.0;  // a float's value at 44.1 kHz
    float decay = 0.0f;
    float amplitude = 0.0f;
    float held = 0.0f;  // 1.0 held, 0.0 released
    float damperAlpha = 0.0f;
    float damperFloor = 0.0f;  // <= 0
    int ringSamples = 0;
    double omega44 = 0.0;

    // state
    float s1 = 0.0f;
    float s2 = 0.0f;
    float damperState = 0.0f;
    int countdown = 0;

    float* input;
    float* output;
};
