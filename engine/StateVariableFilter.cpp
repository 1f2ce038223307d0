#include "StateVariableFilter.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kPi = 3.141592653589793;
}

StateVariableFilter::StateVariableFilter(RenderContext* renderContext) noexcept
    : VoiceComponent(renderContext), input(silentBuffer()), output(discardBuffer()) {}

void StateVariableFilter::setInput(int index, float* buffer) noexcept {
    if (index == 0) {
        input = inputOrSilent(buffer);
    }
}

void StateVariableFilter::setOutput(int index, float* buffer) noexcept {
    if (index == 0) {
        output = outputOrDiscard(buffer);
    }
}

void StateVariableFilter::reset() noexcept {
    f = 0.0f;
    damping = 0.0f;
    band = 0.0f;
    low = 0.0f;
    mode = 0;
    gain = 0.0f;
}

void StateVariableFilter::configure(float cutoff, float outputGain, float Q,
                                    int filterMode) noexcept {
    const float fc = cutoff > 20000.0f ? 20000.0f : (cutoff < 0.0f ? 0.0f : cutoff);
    const float q = Q > 1000.0f ? 1000.0f : (Q < 0.5f ? 0.5f : Q);
    mode = std::clamp(filterMode, kHighPass, kNotch);
    // A cutoff beyond half the rate folds back like any sampled frequency; beyond the rate
    // itself the sine turns negative, and a negative f makes the filter grow without bound
    // (hosts can send any rate), so the fold keeps its magnitude.
    f = static_cast<float>(std::fabs(2.0 * std::sin(kPi * fc / context->sampleRate)));
    damping = 1.0f / q;
    if (f > 2.0f - damping) {
        f = 2.0f - damping;
    }
    gain = outputGain;
}

template <int Mode>
void StateVariableFilter::run(int n) noexcept {
    const float* in = input;
    float* out = output;
    const float fk = f;
    const float q = damping;
    const float g = gain;
    float b = band;
    float l = low;
    for (int i = 0; i < n; ++i) {
        const float x = in[i];
        const float h = x - q * b - l;
        b = b + fk * h;
        l = l + fk * b;
        float y;
        if constexpr (Mode == kHighPass) {
            y = h;
        } else if constexpr (Mode == kBandPass) {
            y = b;
        } else if constexpr (Mode == kLowPass) {
            y = l;
        } else if constexpr (Mode == kPeak) {
            y = l - h;
        } else {
            y = x - q * b;
        }
        out[i] = g * y;
    }
    band = b;
    low = l;
}

void StateVariableFilter::process() noexcept {
    const int n = frames();
    switch (mode) {
        case kHighPass:
            run<kHighPass>(n);
            break;
        case kBandPass:
            run<kBandPass>(n);
            break;
        case kLowPass:
            run<kLowPass>(n);
            break;
        case kPeak:
            run<kPeak>(n);
            break;
        default:
            run<kNotch>(n);
            break;
    }
}
