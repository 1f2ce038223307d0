#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "OverdriveUnit.h"
#include "UnitSignals.h"

using namespace unit_signals;

// A driven value beyond +-1 is limited before the cubic, so the shaped sample is exactly +-1.
// The tone filter is the bilinear one-pole low-pass, K = tan(pi fc/fs), c = K/(1 + K),
// a1 = (K - 1)/(K + 1); inverting it on the output recovers the shaped sample:
// v[n] = out[n]/(c L) - v[n-1], y[n] = v[n] + a1 v[n-1]. With level L = 1/(2c) the output is
// bounded by 1, since the filter's impulse response c, c(1-a1)a1^(n-1) sums in magnitude to 2c.
TEST(OverdriveUnit, HugeInputIsShapedToExactlyUnitBeforeTheToneFilter) {
    const double K = std::tan(std::numbers::pi * 20000.0 / 44100.0);
    const double c = K / (1.0 + K);
    const double a1 = (K - 1.0) / (K + 1.0);
    const double level = 1.0 / (2.0 * c);
    OverdriveUnit unit;
    unit.setup(1, 1);
    EXPECT_EQ(unit.setParameters(
                  {100.0f, 20000.0f, static_cast<float>(20.0 * std::log10(level)), 44100.0f}),
              0);
    std::mt19937 rng(7);
    std::vector<float> x(64);
    for (float& s : x) {
        s = (rng() % 2 == 0 ? -1.0f : 1.0f) * 1e30f;
    }
    std::vector<float> out = x;
    processMono(unit, out);
    double vPrevious = 0.0;
    for (size_t n = 0; n < x.size(); ++n) {
        EXPECT_LE(std::fabs(out[n]), 1.0f + 1e-6f);  // float rounding of the filter sum
        const double v = out[n] / (c * level) - vPrevious;
        // 1e-4: the inverse recursion adds one float rounding (~1e-7) of the output per sample.
        EXPECT_NEAR(v + a1 * vPrevious, x[n] > 0.0f ? 1.0 : -1.0, 1e-4) << "sample " << n;
        vPrevious = v;
    }
}

// The cubic y = (1.5 - 0.5 x^2) x and the tone filter, which passes DC at 1 and is -3.01 dB at
// its corner. Drive -20 dB makes a unit sine x = 0.1 sin: sin^3 = (3 sin - sin 3t)/4 leaves the
// fundamental at 0.15 - 0.375e-3, then 1/sqrt 2 at a 1 kHz corner (1e-3 dB: float coefficients
// and state). Drive -30 dB is clamped to -20 dB: a constant 1 is shaped to 0.15 - 0.0005.
TEST(OverdriveUnit, DriveCubicAndToneFilter) {
    OverdriveUnit unit;
    unit.setup(1, 1);
    EXPECT_EQ(unit.setParameters({-20.0f, 1000.0f, 0.0f, 48000.0f}), 0);
    EXPECT_NEAR(sineGainDb(unit, 1000, 48000),
                20.0 * std::log10((0.15 - 0.375e-3) / std::sqrt(2.0)), 1e-3);
    EXPECT_EQ(unit.setParameters({-30.0f, 20000.0f, 0.0f, 44100.0f}), 1005);
    std::vector<float> x(2048, 1.0f);
    processMono(unit, x);
    EXPECT_NEAR(x.back(), 0.1495, 1e-6);  // float coefficient rounding
}
