#include "Pickup.h"

Pickup::Pickup(RenderContext* renderContext) noexcept
    : VoiceComponent(renderContext),
      inputs{silentBuffer(), silentBuffer(), silentBuffer(), silentBuffer()},
      output(discardBuffer()) {}

void Pickup::setInput(int index, float* buffer) noexcept {
    if (index >= 0 && index < kInputs) {
        inputs[index] = inputOrSilent(buffer);
    }
}

void Pickup::setOutput(int index, float* buffer) noexcept {
    if (index == 0) {
        output = outputOrDiscard(buffer);
    }
}

void Pickup::configure(float d) noexcept {
    offset = d;
    // The same float steps as the curve at rest (x = d), so the two cancel exactly.
    const float atRest = 1.0f / (1.0f + d * d);
    bias = -atRest;
}

void Pickup::process() noexcept {
    const int n = frames();
    const float* a = inputs[0];
    const float* b = inputs[1];
    const float* c = inputs[2];
    const float* e = inputs[3];
    float* out = output;
    const float d = offset;
    const float rest = bias;
    for (int i = 0; i < n; ++i) {
        const float x = a[i] + b[i] + d;
        const float y = 1.0f / (1.0f + x * x);
        out[i] = y + rest + (c[i] + e[i]) * y;
    }
}
