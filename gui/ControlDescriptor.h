#pragma once

#include <cstdint>
#include <string>

#include "FloatRect.h"

// The creation record of a view: identifier, rectangle in the parent's coordinates (stored as
// floats: left = x, top = y, right = x + width, bottom = y + height), two flags and a name.
struct ControlDescriptor {
    ControlDescriptor(int32_t id, int32_t x, int32_t y, int32_t width, int32_t height,
                      uint8_t firstFlag, uint8_t secondFlag)
        : identifier(id),
          rect{static_cast<float>(x), static_cast<float>(y), static_cast<float>(x + width),
               static_cast<float>(y + height)},
          flag1(firstFlag),
          flag2(secondFlag) {}

    int32_t identifier;
    FloatRect rect;
    uint8_t flag1;
    uint8_t flag2;
    std::string name;
};
