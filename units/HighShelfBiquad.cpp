#include "HighShelfBiquad.h"

namespace {

// The high shelf's coefficients, normalised by a0.
ShelfBiquad::Coefficients highShelf(double A, double cs, double beta) noexcept {
    const double a0 = (A + 1.0) - (A - 1.0) * cs + beta;
    return {A * ((A + 1.0) + (A - 1.0) * cs + beta) / a0,
            -2.0 * A * ((A - 1.0) + (A + 1.0) * cs) / a0,
            A * ((A + 1.0) + (A - 1.0) * cs - beta) / a0, 2.0 * ((A - 1.0) - (A + 1.0) * cs) / a0,
            ((A + 1.0) - (A - 1.0) * cs - beta) / a0};
}

}  // namespace

HighShelfBiquad::HighShelfBiquad() : ShelfBiquad({-30.0f, &highShelf}) {}
