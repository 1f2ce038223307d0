#pragma once

#include "ShelfFilter.h"

// The first-order low shelf: 1 + (A - 1) K (1 + z^-1)/((1 + K) + (K - 1) z^-1), that is b = c m,
// a = 2c - 1 and y = u + x + s: A at DC, 1 at half the sample rate. A cut moves the corner to
// f' = (fs/pi) atan(pi f/(A fs)), putting the pole near f/A and the zero near f, the mirror
// image of a boost (pole at f, zero at A f).
class LowShelfFilter : public ShelfFilter {
public:
    LowShelfFilter();
    ~LowShelfFilter() override = default;
};
