#include "LowShelfBiquad.h"

namespace {

// The low shelf's coefficients, normalised by a0.
ShelfBiquad::Coefficients lowShelf(double A, double cs, double beta) noexcept {
    const double a0 = (A + 1.0) + (A - 1.0) * cs + beta;
    return {A * ((A + 1.0) - (A - 1.0) * cs + beta) / a0,
            2.0 * A * ((A - 1.0) - (A + 1.0) * cs) / a0,
            A * ((A + 1.0) - (A - 1.0) * cs - beta) / a0, -2.0 * ((A - 1.0) + (A + 1.0) * cs) / a0,
            ((A + 1.0) + (A - 1.0) * cs - beta) / a0};
}

}  // namespace

LowShelfBiquad::LowShelfBiquad() : ShelfBiquad({-18.0f, &lowShelf}) {}
