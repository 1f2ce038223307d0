#pragma once

#include <cstdint>

class Control;

// Told by a control when the user changed its value.
class ControlListener {
public:
    virtual ~ControlListener() = default;
    virtual void valueChanged(int32_t entry, Control& control, int32_t value) = 0;
};
