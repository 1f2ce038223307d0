#include "BreakpointCurve.h"

float BreakpointCurve::value(int note) const noexcept {
    if (values == nullptr) {
        return 0.0f;
    }
    const float* v = values;
    if (note < breakpointNotes[0]) {
        return v[0];
    }
    const float x = static_cast<float>(note);
    for (int k = 1; k < kBreakpoints; ++k) {
        if (note < breakpointNotes[k]) {
            const float from = static_cast<float>(breakpointNotes[k - 1]);
            const float span = static_cast<float>(breakpointNotes[k] - breakpointNotes[k - 1]);
            return v[k - 1] + (v[k] - v[k - 1]) * (x - from) / span;
        }
    }
    return v[kBreakpoints - 1];
}
