#pragma once

// Shared by every key voice and voice component of one engine core.
struct RenderContext {
    float sampleRate = 44100.0f;  // Hz; components compute their coefficients from it
    int frameCount = 0;           // frames of the slice the voices are about to render (<= 256)
};
