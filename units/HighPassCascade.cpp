#include "HighPassCascade.h"

#include <cmath>

namespace {

double corner(double f, double x, double half) noexcept {
    return f / (1.0 + (x - 1.0) * (f - half) / -half);
}

// c = 1/(1 + K) = cot w/(cot w + 1); a = 1 - 2c.
CutCascade::Coefficients highPass(double w) noexcept {
    const double cot = std::cos(w) / std::sin(w);
    const double c = cot / (cot + 1.0);
    return {static_cast<float>(c), static_cast<float>(1.0 - 2.0 * c)};
}

}  // namespace

HighPassCascade::HighPassCascade() : CutCascade({kOrderFactor, &corner, &highPass, true}) {}
