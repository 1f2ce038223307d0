#pragma once

#include <cstdint>

// A colour in the byte order of a 32-bit pixel: blue, green, red, alpha (255 opaque).
struct Colour {
    uint8_t blue = 0;
    uint8_t green = 0;
    uint8_t red = 0;
    uint8_t alpha = 255;

    bool operator==(const Colour&) const = default;
};
