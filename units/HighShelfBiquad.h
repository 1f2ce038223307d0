#pragma once

#include "ShelfBiquad.h"

// The cookbook high shelf: the bilinear image, prewarped to the corner f, of
// A (A s^2 + (sqrt A/Q) s + 1)/(s^2 + (sqrt A/Q) s + A), so the gain is 1 at DC and
// A^2 = 10^(dB/20) at half the sample rate. Gain range [-30, 18] dB.
class HighShelfBiquad : public ShelfBiquad {
public:
    HighShelfBiquad();
    ~HighShelfBiquad() override = default;
};
