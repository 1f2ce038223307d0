#pragma once

#include "ReferenceRate.h"

// Shared by every key voice and voice component of one engine core, and written only by its
// render: two cores render on two threads without touching each other's context.
struct RenderContext {
    static constexpr int kMaxFrames = 256;  // the longest render slice

    float sampleRate = 44100.0f;  // Hz; components compute their coefficients from it
    int frameCount = 0;           // frames of the slice the voices are about to render (<= 256)
    // Per-sample fall of a voice's running peak: 0.99 at 44.1 kHz, the same fall per second at
    // any other rate, so a voice falls silent after the same time whatever the rate.
    float levelFall = 0.99f;
    // The sink for component outputs nobody reads.
    alignas(64) float discard[kMaxFrames] = {};

    void setSampleRate(float rate) noexcept {
        sampleRate = rate;
        levelFall = reference_rate::multiplier(0.99f, rate);
    }
};
