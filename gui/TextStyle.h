#pragma once

#include <cstdint>

#include "Colour.h"

class ResourceRecord;

// How a text is drawn: the font (an embedded Type 1 record; none means the system font), the
// size in pixels, the colour and the placement code (4 centred horizontally, 5 at the left edge).
struct TextStyle {
    static constexpr int32_t kCentred = 4;
    static constexpr int32_t kLeft = 5;
    // The framework's standard text colour: black.
    static constexpr Colour kStandardColour{0, 0, 0, 255};

    const ResourceRecord* font = nullptr;
    float size = 9.0f;
    Colour colour = kStandardColour;
    int32_t placement = kLeft;
};
