#pragma once

#include <cstdint>

// The framework's mix of two 8-bit channel values a (source) and b (beneath) with weights
// w1 + w2 = 255 taken from the source alpha: ((a + 1) * w1 + (b + 1) * w2) / 256, integer
// division. With w1 = 255 it gives a exactly and with w1 = 0 it gives b exactly, because
// (v + 1) * 255 / 256 = v + 1 - (v + 1) / 256 truncates to v for every v in 0..255.
inline uint8_t mixChannel(uint32_t a, uint32_t b, uint32_t w1) {
    return static_cast<uint8_t>(((a + 1) * w1 + (b + 1) * (255 - w1)) >> 8);
}

// Mixes one 32-bit pixel (bytes blue, green, red, alpha) over another with weight w1 for the
// source; every channel, alpha included, goes through the same operator.
inline void mixPixel(const uint8_t* source, uint8_t* beneath, uint32_t w1) {
    for (int c = 0; c < 4; ++c) {
        beneath[c] = mixChannel(source[c], beneath[c], w1);
    }
}
