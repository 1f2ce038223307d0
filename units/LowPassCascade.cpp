#include "LowPassCascade.h"

namespace {

double corner(double f, double x, double half) noexcept {
    double fc = x * f;
    if (f >= 1000.0) {
        const double d = f - half;
        const double e = 1000.0 - half;
        fc = f * (1.0 + (x - 1.0) * (d * d) / (e * e));
    }
    return fc;
}

// c = K/(1 + K) = 1/(cot w + 1); a = 2c - 1.
CutCascade::Coefficients lowPass(double w) noexcept {
    const double c = filter_math::bilinearFeed(w);
    return {static_cast<float>(c), static_cast<float>(2.0 * c - 1.0)};
}

}  // namespace

LowPassCascade::LowPassCascade() : CutCascade({kOrderFactor, &corner, &lowPass, false}) {}
