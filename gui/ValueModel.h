#pragma once

#include <cstdint>
#include <string>

// The value of one control channel: an integer range with the current value and the value at
// the start of a drag, a floating companion, and the texts a display shows. Binding a control
// to a parameter replaces the whole model.
struct ValueModel {
    std::string name;
    int32_t parameterNumber = 0;  // 0: bound to nothing
    int32_t minimum = 0;
    int32_t maximum = 0;
    int32_t value = 0;
    int32_t startValue = 0;
    float floatValue = 0.0f;
    std::string text;
    std::string unit;

    // Lowering the maximum below the value pulls the value down with it.
    void setMaximum(int32_t m) {
        maximum = m;
        if (value > maximum) {
            value = maximum;
        }
    }
    void setStartValue(int32_t v) { startValue = clamp(v); }
    int32_t clamp(int32_t v) const {
        if (v > maximum) {
            v = maximum;
        }
        if (v < minimum) {
            v = minimum;
        }
        return v;
    }
};
