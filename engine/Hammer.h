#pragma once

#include "VoiceComponent.h"

// The hammer's excitation pulse, a discrete gamma shape: at 44.1 kHz the k-th sample after a
// strike is
//   amplitude · (1 + k)^n · p^(k + 2),
// which peaks near t = τ = −n / ln p (t = 1 + k). `configure` normalises that peak to 1 and
// scales it by the key's level; the strike scales it by the velocity weight squared. The pulse
// is judged finished only at the start of a slice, once the pulse clock passes 5τ.
// The clock t counts 44.1 kHz samples whatever the rate: at a rate R it advances by
// s = 44100/R per sample, so the k-th sample is amplitude · (1 + k·s)^n · p^(2 + k·s) and the
// pulse has the same shape and spectrum in seconds at every rate.
class Hammer : public VoiceComponent {
public:
    explicit Hammer(RenderContext* renderContext) noexcept;

    void setOutput(int index, float* buffer) noexcept override;
    void reset() noexcept override;
    void trigger() noexcept override;
    void process() noexcept override;

    // Pulse order n (1 to 6), pole p, level before velocity, velocity sensitivity (0 to 1).
    void configure(int n, float p, float pulseLevel, float sensitivity) noexcept;
    // Velocity of the next strike, 0 to 1.
    void setVelocity(float v) noexcept { velocity = v; }

    // How much harder the 44.1 kHz pulse drives a partial at ω (radians per 44.1 kHz sample)
    // than this rate's pulse, beyond the 44100/R of a smooth pulse: |X₄₄(ω)| / (s·|X_R(ω·s)|),
    // with X the sum of the pulse's samples turned by e^(−iωk). 1 at 44.1 kHz. A pulse of a few
    // samples is far from smooth: at 44.1 kHz it drives the top keys' tines 1 dB harder and
    // their highest bells up to 5 dB softer than its shape in seconds would.
    double pulseWeight(double omega) const noexcept;

private:
    friend class FusedVoiceKernel;  // the fused render reads and writes the state

    template <int Order>
    void pulse(float* out, int n) noexcept;
    void pulseOfAnyOrder(float* out, int n) noexcept;

    // coefficients
    float level = 0.0f;      // amplitude at full velocity
    float amplitude = 0.0f;  // amplitude of the current strike
    float velocitySens = 0.0f;
    float velocity = 0.0f;
    float pole = 0.0f;        // p as configured; the pulse decays with it
    int order = 0;            // n
    float length = 0.0f;      // clock time after which the pulse is over
    float timeStep = 1.0f;    // s: clock advance per sample, 1 at 44.1 kHz
    float poleStep = 0.0f;    // p^s: the power's fall per sample
    float firstPower = 0.0f;  // p^(2 − s): the power at the strike

    // state
    float time = 0.0f;   // pulse clock t, 1 at the strike
    float power = 0.0f;  // running power of the pole

    float* output;
};
