#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "HighShelfFilter.h"
#include "LowShelfFilter.h"
#include "UnitSignals.h"

using namespace unit_signals;

namespace {

constexpr float kRate = 44100.0f;

template <class Shelf>
void prepare(Shelf& shelf, float f, float dB) {
    shelf.setup(1, 1);
    shelf.setParameters({f, dB, 1, kRate});
}

// Output for a constant (DC) or alternating (half the sample rate) input of size 0.5, after
// the one-pole has settled (its time constant is at most a few hundred samples here).
template <class Shelf>
double settledGain(Shelf& shelf, bool alternating) {
    std::vector<float> x(20000);
    for (size_t i = 0; i < x.size(); ++i) {
        x[i] = (alternating && (i % 2 == 1)) ? -0.5f : 0.5f;
    }
    processMono(shelf, x);
    // Alternating: the last two samples are +-0.5 A, so their difference is A. DC: the offset
    // 1e-7 rides on the input, so its share is removed.
    return alternating ? (x[x.size() - 2] - x.back()) : x.back() / (0.5 + 1e-7);
}

// Both shelves in the bilinear variable s = j tan(pi ft/fs): low 1 + (A - 1) K/(s + K),
// high 1 + (A - 1) s/(s + K).
double shelfDb(bool high, double A, double K, double ft, double fs) {
    const std::complex<double> s(0.0, std::tan(std::numbers::pi * ft / fs));
    const std::complex<double> h =
        high ? 1.0 + (A - 1.0) * s / (s + K) : 1.0 + (A - 1.0) * K / (s + K);
    return toDb(std::abs(h));
}

}  // namespace

// Far from the corner the shelves reach A = 10^(dB/20) (low shelf at DC, high shelf at half
// the sample rate) and 1 on the other side. Tolerance 1e-4 relative: single-precision a enters
// as 1 + a (>= 0.01 here), so its rounding of 6e-8 moves the gain by < 1e-5.
TEST(ShelfFilter, ReachesGainFarFromCorner) {
    for (const float dB : {-30.0f, -8.5f, 6.0f, 16.0f}) {
        const double A = std::pow(10.0, dB / 20.0);
        LowShelfFilter low;
        prepare(low, 95, dB);
        EXPECT_NEAR(settledGain(low, false), A, 1e-4 * A) << dB;
        LowShelfFilter lowTop;
        prepare(lowTop, 95, dB);
        EXPECT_NEAR(settledGain(lowTop, true), 1.0, 1e-4) << dB;
        HighShelfFilter high;
        prepare(high, 3200, dB);
        EXPECT_NEAR(settledGain(high, true), A, 1e-4 * A) << dB;
        HighShelfFilter highBottom;
        prepare(highBottom, 3200, dB);
        EXPECT_NEAR(settledGain(highBottom, false), 1.0, 1e-4) << dB;
    }
}

// A boost keeps its corner: K = tan(pi f/fs) puts |H| = sqrt((1 + A^2)/2) exactly at f.
// Tolerance 0.002 dB (single-precision coefficients and state).
TEST(ShelfFilter, BoostCornerLiesAtRequestedFrequency) {
    const double A = std::pow(10.0, 16.0 / 20.0);
    const double expected = toDb(std::sqrt((1.0 + A * A) / 2.0));
    LowShelfFilter low;
    prepare(low, 200, 16);
    EXPECT_NEAR(sineGainDb(low, 200, kRate), expected, 0.002);
    HighShelfFilter high;
    prepare(high, 3200, 16);
    EXPECT_NEAR(sineGainDb(high, 3200, kRate), expected, 0.002);
}

// A cut moves the corner: low shelf K = tan(atan(pi f/(A fs))) = pi f/(A fs), high shelf
// K = tan(pi A f/fs). Checked against the response those corners give (a cut computed with the
// boost's corner misses by 1.3 to 1.9 dB within an octave of the corner). Tolerance 0.002 dB.
TEST(ShelfFilter, CutUsesCorrectedCorner) {
    const double A = std::pow(10.0, -6.0 / 20.0);
    const double kLow = std::numbers::pi * 200.0 / (A * kRate);
    const double kHigh = std::tan(std::numbers::pi * A * 3200.0 / kRate);
    for (const double ft : {100.0, 200.0, 400.0, 1600.0, 3200.0, 6400.0}) {
        LowShelfFilter low;
        prepare(low, 200, -6);
        EXPECT_NEAR(sineGainDb(low, ft, kRate), shelfDb(false, A, kLow, ft, kRate), 0.002) << ft;
        HighShelfFilter high;
        prepare(high, 3200, -6);
        EXPECT_NEAR(sineGainDb(high, ft, kRate), shelfDb(true, A, kHigh, ft, kRate), 0.002) << ft;
    }
}

// The exponential glide: g = 1/(cot v + 1), v = 1/(2 T fs), T = 20 ms, snapping to the target
// after the integer part of 4.6 T fs = 0.092 fs samples (4057 at 44100 Hz).
template <class Shelf>
void checkGlide() {
    Shelf shelf;
    prepare(shelf, 500, 0);
    std::vector<float> x(64, 0.1f);
    processMono(shelf, x);
    const auto& k = shelf.coefficients();
    const float startB = k.current.b;
    shelf.setParameters({500, 12, 1, kRate});
    const int length = static_cast<int>(0.092 * 44100.0);
    ASSERT_EQ(length, 4057);
    ASSERT_EQ(k.left, length);
    const float targetB = k.target.b;
    ASSERT_NE(targetB, startB);

    x.assign(static_cast<size_t>(length - 1), 0.1f);
    processMono(shelf, x);
    EXPECT_EQ(k.left, 1);
    // (1 - g)^(n) of the distance is left; ~0.1 after 4056 samples. Tolerance 1e-3 relative:
    // 4056 single-precision steps each round by ~6e-8 of b.
    const double v = 1.0 / (2.0 * 0.02 * 44100.0);
    const double g = 1.0 / (std::cos(v) / std::sin(v) + 1.0);
    const double left = std::pow(1.0 - g, length - 1);
    EXPECT_NEAR((targetB - k.current.b) / (targetB - startB), left, 1e-3 * left);

    x.assign(1, 0.1f);
    processMono(shelf, x);
    EXPECT_EQ(k.left, 0);
    EXPECT_EQ(k.current.b, k.target.b);
    EXPECT_EQ(k.current.a, k.target.a);
}

TEST(ShelfFilter, GlideReachesTargetAfterIntegerPartOf0092Fs) {
    checkGlide<LowShelfFilter>();
    checkGlide<HighShelfFilter>();
}

TEST(ShelfFilter, RepeatedValuesRestartNothing) {
    LowShelfFilter shelf;
    prepare(shelf, 95, -8.5f);
    std::vector<float> x(64, 0.1f);
    processMono(shelf, x);
    shelf.setParameters({95, -4, 1, kRate});
    processMono(shelf, x);
    const int left = shelf.coefficients().left;
    const float b = shelf.coefficients().current.b;
    EXPECT_EQ(shelf.setParameters({95, -4, 1, kRate}), 0);
    EXPECT_EQ(shelf.coefficients().left, left);
    EXPECT_EQ(shelf.coefficients().current.b, b);
}

TEST(ShelfFilter, WarningCodes) {
    HighShelfFilter shelf;
    shelf.setup(2, 2);
    EXPECT_EQ(shelf.setParameters({3200, 16, 1, kRate}), 0);
    EXPECT_EQ(shelf.setParameters({30000, 16, 1, kRate}), 1003);
    EXPECT_EQ(shelf.setParameters({3200, -31, 1, kRate}), 1001);
    EXPECT_EQ(shelf.setParameters({3200, 19, 1, 1000.0f}), 1005);
    EXPECT_EQ(shelf.setParameters({5, 19, 1, kRate}), 1001);
}
