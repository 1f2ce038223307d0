#pragma once

#include "VoiceComponent.h"

// A two-integrator state-variable filter (Chamberlin form), per sample:
//   h = x − q·band − low;  band += f·h;  low += f·band;
// with f = 2·sin(π·cutoff / sampleRate) and q = 1/Q. Transfer functions, with D = 1 − z⁻¹ and
// Den = D² + q·f·z⁻¹·D + f²·z⁻¹: high-pass D²/Den, band-pass f·D/Den, low-pass f²/Den,
// peak (f² − D²)/Den, notch (Den − q·f·D)/Den. f is kept within 0 to 2 − q for stability.
// Input and output may be the same buffer.
class StateVariableFilter : public VoiceComponent {
public:
    static constexpr int kHighPass = 0;
    static constexpr int kBandPass = 1;
    static constexpr int kLowPass = 2;
    static constexpr int kPeak = 3;
    static constexpr int kNotch = 4;

    explicit StateVariableFilter(RenderContext* renderContext) noexcept;

    void setInput(int index, float* buffer) noexcept override;
    void setOutput(int index, float* buffer) noexcept override;
    void reset() noexcept override;
    void process() noexcept override;

    // Cutoff in Hz (0 to 20000), output gain, Q (0.5 to 1000), mode 0 to 4. Keeps the state.
    void configure(float cutoff, float outputGain, float Q, int filterMode) noexcept;
    // Output gain.
    void setGain(float g) noexcept { gain = g; }

private:
    friend class FusedVoiceKernel;  // the fused render reads and writes the state

    template <int Mode>
    void run(int n) noexcept;

    // coefficients
    float f = 0.0f;
    float damping = 0.0f;  // 1/Q
    int mode = 0;
    float gain = 0.0f;

    // state
    float band = 0.0f;
    float low = 0.0f;

    float* input;
    float* output;
};
