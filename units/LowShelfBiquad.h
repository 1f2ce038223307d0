#pragma once

#include "ShelfBiquad.h"

// The cookbook low shelf: the bilinear image, prewarped to the corner f, of
// A (s^2 + (sqrt A/Q) s + A)/(A s^2 + (sqrt A/Q) s + 1), so the gain is A^2 = 10^(dB/20) at DC
// and 1 at half the sample rate. Gain range [-18, 18] dB.
class LowShelfBiquad : public ShelfBiquad {
public:
    LowShelfBiquad();
    ~LowShelfBiquad() override = default;
};
