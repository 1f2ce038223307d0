#pragma once

#include "VoiceComponent.h"

// The pickup: a Lorentzian response to the tine's displacement. Per sample, with inputs a
// (tine), b (thump), c and e (bell partials):
//   x = a + b + offset;  y = 1 / (1 + x²);  out = y + bias + (c + e)·y,  bias = −1/(1 + offset²).
// The bias cancels the curve's value at rest, so a resting tine gives exactly no output; the
// bell partials ride on the same curve. No signal state.
class Pickup : public VoiceComponent {
public:
    static constexpr int kInputs = 4;

    explicit Pickup(RenderContext* renderContext) noexcept;

    void setInput(int index, float* buffer) noexcept override;
    void setOutput(int index, float* buffer) noexcept override;
    void process() noexcept override;

    // Offset of the tine's rest position from the pickup's centre.
    void configure(float d) noexcept;

private:
    friend class FusedVoiceKernel;  // the fused render reads and writes the state

    // coefficients
    float offset = 0.0f;
    float bias = 0.0f;

    float* inputs[kInputs];
    float* output;
};
