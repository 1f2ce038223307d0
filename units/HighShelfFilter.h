#pragma once

#include "ShelfFilter.h"

// The first-order high shelf: 1 + (A - 1) (1 - z^-1)/((1 + K) + (K - 1) z^-1), that is with the
// high-pass feed c' = 1 - c = 1/(1 + K), b = c' m, a = 1 - 2c' and y = u - s + x: 1 at DC, A at
// half the sample rate. A cut moves the corner to f' = A f, the mirror image of the boost.
class HighShelfFilter : public ShelfFilter {
public:
    HighShelfFilter();
    ~HighShelfFilter() override = default;
};
