#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "HighShelfBiquad.h"
#include "LowShelfBiquad.h"
#include "UnitSignals.h"

using namespace unit_signals;

namespace {

constexpr float kRate = 44100.0f;

template <class Shelf>
void prepare(Shelf& shelf, float f, float dB, float slope) {
    shelf.setup(1, 1);
    shelf.setParameters({f, dB, slope, 1, kRate});
}

// The cookbook shelves as analogue prototypes, A = 10^(dB/40), 1/Q^2 = (A + 1/A)(1/S - 1) + 2:
//   low  A (s^2 + (sqrt A/Q) s + A)/(A s^2 + (sqrt A/Q) s + 1)
//   high A (A s^2 + (sqrt A/Q) s + 1)/(s^2 + (sqrt A/Q) s + A)
// seen through the bilinear map prewarped to the corner: s = j tan(pi ft/fs)/tan(pi f/fs).
double cookbookDb(bool high, double f, double dB, double slope, double ft, double fs) {
    const double A = std::pow(10.0, dB / 40.0);
    const double alpha = std::sqrt(A) * std::sqrt((A + 1.0 / A) * (1.0 / slope - 1.0) + 2.0);
    const std::complex<double> s(
        0.0, std::tan(std::numbers::pi * ft / fs) / std::tan(std::numbers::pi * f / fs));
    const std::complex<double> h =
        high ? A * (A * s * s + alpha * s + 1.0) / (s * s + alpha * s + A)
             : A * (s * s + alpha * s + A) / (A * s * s + alpha * s + 1.0);
    return toDb(std::abs(h));
}

// |H| at z = 1 (DC) or z = -1 (half the sample rate) straight from the coefficients.
template <class Coefficients>
double edgeGain(const Coefficients& k, bool nyquist) {
    const double z = nyquist ? -1.0 : 1.0;
    return std::abs((k.b0 + k.b1 * z + k.b2) / (1.0 + k.a1 * z + k.a2));
}

constexpr double kProbes[] = {30, 100, 180, 300, 1000, 1900, 3800, 5000, 12000, 20000};

}  // namespace

// Tolerance 1e-4 dB: the filter runs in double; only the single-precision input and output
// round (6e-8 relative, 5e-7 dB).
TEST(ShelfBiquad, LowShelfMatchesCookbookResponse) {
    struct Case {
        float f, dB, slope;
    };
    for (const Case c : {Case{180, -2.5f, 0.3f}, Case{300, 9, 1}, Case{100, -18, 2}}) {
        for (const double ft : kProbes) {
            LowShelfBiquad shelf;
            prepare(shelf, c.f, c.dB, c.slope);
            EXPECT_NEAR(sineGainDb(shelf, ft, kRate),
                        cookbookDb(false, c.f, c.dB, c.slope, ft, kRate), 1e-4)
                << c.f << " Hz " << c.dB << " dB at " << ft;
        }
    }
}

TEST(ShelfBiquad, HighShelfMatchesCookbookResponse) {
    struct Case {
        float f, dB, slope;
    };
    for (const Case c : {Case{1900, 4, 1.1f}, Case{5000, -24, 0.7f}, Case{800, 18, 2.5f}}) {
        for (const double ft : kProbes) {
            HighShelfBiquad shelf;
            prepare(shelf, c.f, c.dB, c.slope);
            EXPECT_NEAR(sineGainDb(shelf, ft, kRate),
                        cookbookDb(true, c.f, c.dB, c.slope, ft, kRate), 1e-4)
                << c.f << " Hz " << c.dB << " dB at " << ft;
        }
    }
}

// -30 dB with slope 2.5 has no real Q ((A^2 + 1)/S < (A - 1)^2): the shelf takes slope 1 instead
// of producing NaN coefficients, and stays stable.
TEST(ShelfBiquad, SlopeWithoutRealQFallsBackToSlopeOne) {
    for (const double ft : {100.0, 2000.0, 8000.0}) {
        HighShelfBiquad shelf;
        prepare(shelf, 2000, -30, 2.5f);
        EXPECT_NEAR(sineGainDb(shelf, ft, kRate), cookbookDb(true, 2000, -30, 1, ft, kRate), 1e-4);
    }
    HighShelfBiquad shelf;
    prepare(shelf, 2000, -30, 2.5f);
    EXPECT_LT(std::abs(shelf.coefficients().current.a2), 1.0);
}

TEST(ShelfBiquad, GainRangesDiffer) {
    LowShelfBiquad low;
    low.setup(1, 1);
    EXPECT_EQ(low.setParameters({200, -24, 1, 1, kRate}), 1001);
    // Clamped to -18 dB at DC. Tolerance: double arithmetic, 1e-12 relative.
    EXPECT_NEAR(edgeGain(low.coefficients().current, false), std::pow(10.0, -18.0 / 20.0), 1e-12);
    HighShelfBiquad high;
    high.setup(1, 1);
    EXPECT_EQ(high.setParameters({200, -24, 1, 1, kRate}), 0);
    EXPECT_NEAR(edgeGain(high.coefficients().current, true), std::pow(10.0, -24.0 / 20.0), 1e-12);
    EXPECT_EQ(high.setParameters({200, -31, 1, 1, kRate}), 1001);
    EXPECT_EQ(high.setParameters({200, -30, 3, 1, kRate}), 1001);  // slope
    EXPECT_EQ(high.setParameters({30000, -30, 1, 1, kRate}), 1003);
    EXPECT_EQ(high.setParameters({200, -30, 1, 1, 98000.0f}), 1005);
}

template <class Shelf>
void checkRamp() {
    Shelf shelf;
    prepare(shelf, 1900, 0, 1);
    std::vector<float> x(32, 0.1f);
    processMono(shelf, x);
    const auto start = shelf.coefficients().current;
    shelf.setParameters({1900, 4, 1, 1, kRate});
    const auto& k = shelf.coefficients();
    ASSERT_EQ(k.left, 500);
    // Linear: half way after 250 samples (double accumulation, 1e-12 of the span).
    x.assign(250, 0.1f);
    processMono(shelf, x, 128);
    EXPECT_NEAR(k.current.b0, 0.5 * (start.b0 + k.target.b0), 1e-12);
    EXPECT_NEAR(k.current.a1, 0.5 * (start.a1 + k.target.a1), 1e-12);
    x.assign(249, 0.1f);
    processMono(shelf, x, 100);
    EXPECT_EQ(k.left, 1);
    EXPECT_NE(k.current.b1, k.target.b1);
    x.assign(1, 0.1f);
    processMono(shelf, x);
    EXPECT_EQ(k.left, 0);
    EXPECT_EQ(k.current.b0, k.target.b0);
    EXPECT_EQ(k.current.b1, k.target.b1);
    EXPECT_EQ(k.current.b2, k.target.b2);
    EXPECT_EQ(k.current.a1, k.target.a1);
    EXPECT_EQ(k.current.a2, k.target.a2);

    // A repeated call restarts nothing.
    shelf.setParameters({1900, 6, 1.1f, 1, kRate});
    processMono(shelf, x);
    EXPECT_EQ(shelf.setParameters({1900, 6, 1.1f, 1, kRate}), 0);
    EXPECT_EQ(k.left, 499);
}

TEST(ShelfBiquad, RampReachesTargetInExactly500Samples) {
    checkRamp<LowShelfBiquad>();
    checkRamp<HighShelfBiquad>();
}
