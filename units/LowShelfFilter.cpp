#include "LowShelfFilter.h"

#include <cmath>

namespace {

double cutCorner(double f, double A, double fs) noexcept {
    using filter_math::kPi;
    return (fs / kPi) * std::atan(kPi * f / (A * fs));
}

// The one-pole low-pass feeds c itself.
ShelfFilter::Coefficients lowPassFeed(double c, double m) noexcept {
    return {static_cast<float>(c * m), static_cast<float>(2.0 * c - 1.0)};
}

}  // namespace

LowShelfFilter::LowShelfFilter() : ShelfFilter({&cutCorner, &lowPassFeed, false}) {}
