#include "HighShelfFilter.h"

namespace {

double cutCorner(double f, double A, double /*fs*/) noexcept {
    return A * f;
}

// The one-pole high-pass feeds the complement 1 - c.
ShelfFilter::Coefficients highPassFeed(double c, double m) noexcept {
    const double h = 1.0 - c;
    return {static_cast<float>(h * m), static_cast<float>(1.0 - 2.0 * h)};
}

}  // namespace

HighShelfFilter::HighShelfFilter() : ShelfFilter({&cutCorner, &highPassFeed, true}) {}
