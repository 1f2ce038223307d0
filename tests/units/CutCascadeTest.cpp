#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "HighPassCascade.h"
#include "LowPassCascade.h"
#include "UnitSignals.h"

using namespace unit_signals;

namespace {

constexpr float kRate = 44100.0f;

template <class Cascade>
void prepare(Cascade& cascade, float f, float order) {
    cascade.setup(1, 1);
    cascade.setParameters({f, order, 10, kRate});
}

// The section corner that the coefficient c encodes: K = tan(pi f_s/fs) is (1 - c)/c for the
// high-pass (c = 1/(1 + K)) and c/(1 - c) for the low-pass (c = K/(1 + K)).
double sectionCornerHz(const HighPassCascade& cascade) {
    const double c = cascade.coefficients().current.c;
    return std::atan((1.0 - c) / c) * kRate / std::numbers::pi;
}
double sectionCornerHz(const LowPassCascade& cascade) {
    const double c = cascade.coefficients().current.c;
    return std::atan(c / (1.0 - c)) * kRate / std::numbers::pi;
}

// Attenuation in dB at ft of N bilinear one-pole sections with corner f_s, t = tan(pi ft/fs),
// K = tan(pi f_s/fs): high-pass |H|^2 = t^2/(t^2 + K^2), low-pass K^2/(t^2 + K^2) per section.
double cascadeLossDb(bool highPass, int n, double cornerHz, double ft) {
    const double t = std::tan(std::numbers::pi * ft / kRate);
    const double k = std::tan(std::numbers::pi * cornerHz / kRate);
    const double ratio = highPass ? k / t : t / k;
    return n * 10.0 * std::log10(1.0 + ratio * ratio);
}

constexpr double kHighFactor[] = {1.0,  1.55, 1.95, 2.3,  2.55, 2.83,
                                  3.05, 3.26, 3.47, 3.65, 3.82, 4.1};
constexpr double kLowFactor[] = {1.0,  1.55, 1.95, 2.3,  2.55, 2.83,
                                 3.05, 3.26, 3.47, 3.65, 3.82, 4.0};
constexpr double kThreeDb = 3.0103;  // 10 log10 2

}  // namespace

// Each order is about 3 dB down at the requested frequency. Two checks per order:
//  - against the cascade's own transfer function with the section corner placed by the
//    factor rule, tolerance 0.003 dB (single-precision coefficients and state);
//  - against 3 dB, tolerance 0.2 dB: the table factors sit up to 2.6 % below the exact
//    1/sqrt(2^(1/N) - 1) (N = 11), worth up to 0.16 dB, and the fade toward half the sample
//    rate and the frequency warping add < 0.05 dB at 100 Hz and 500 Hz.
TEST(CutCascade, HighPassIsThreeDecibelsDownAtRequestedFrequency) {
    const double f = 100.0;
    for (int n = 1; n <= 12; ++n) {
        HighPassCascade cascade;
        prepare(cascade, static_cast<float>(f), static_cast<float>(n));
        ASSERT_EQ(cascade.sections(), n);
        const double x = kHighFactor[n - 1];
        const double corner = f / (1.0 + (x - 1.0) * (1.0 - 2.0 * f / kRate));
        const double loss = -sineGainDb(cascade, f, kRate);
        EXPECT_NEAR(loss, cascadeLossDb(true, n, corner, f), 0.003) << "order " << n;
        EXPECT_NEAR(loss, kThreeDb, 0.2) << "order " << n;
    }
}

TEST(CutCascade, LowPassIsThreeDecibelsDownAtRequestedFrequency) {
    const double f = 500.0;
    for (int n = 1; n <= 12; ++n) {
        LowPassCascade cascade;
        prepare(cascade, static_cast<float>(f), static_cast<float>(n));
        const double loss = -sineGainDb(cascade, f, kRate);
        EXPECT_NEAR(loss, cascadeLossDb(false, n, kLowFactor[n - 1] * f, f), 0.003) << n;
        EXPECT_NEAR(loss, kThreeDb, 0.2) << "order " << n;
    }
}

// Above 1000 Hz the low-pass factor fades along a parabola to 1 at half the sample rate:
// at 8 kHz, order 6, f_s = 8000 (1 + 1.83 (8000 - 22050)^2/(1000 - 22050)^2).
TEST(CutCascade, LowPassFactorFadesAbove1000Hz) {
    LowPassCascade cascade;
    prepare(cascade, 8000, 6);
    const double corner = 8000.0 * (1.0 + 1.83 * std::pow(14050.0 / 21050.0, 2.0));
    // Tolerance 0.05 Hz: c is single precision (6e-8 relative, ~1e-3 Hz here).
    EXPECT_NEAR(sectionCornerHz(cascade), corner, 0.05);
    EXPECT_NEAR(-sineGainDb(cascade, 8000, kRate), cascadeLossDb(false, 6, corner, 8000), 0.003);
}

// The worked corners: high-pass order 2 at 100 Hz, 100/(1 + 0.55 (1 - 200/44100)) = 64.6 Hz;
// low-pass order 3 at 500 Hz, 1.95 x 500 = 975 Hz, and at 1000 Hz, 1950 Hz. Tolerance 0.05 Hz:
// the written values are rounded to 0.1 Hz, the single-precision c adds ~1e-3 Hz.
TEST(CutCascade, SectionCornersFollowTheFactorRule) {
    HighPassCascade hp;
    prepare(hp, 100, 2);
    EXPECT_NEAR(sectionCornerHz(hp), 64.6, 0.05);
    LowPassCascade lp;
    prepare(lp, 500, 3);
    EXPECT_NEAR(sectionCornerHz(lp), 975.0, 0.05);
    LowPassCascade lp1000;
    prepare(lp1000, 1000, 3);
    EXPECT_NEAR(sectionCornerHz(lp1000), 1950.0, 0.05);
    // Order 1 is a plain first-order filter at the requested frequency.
    HighPassCascade plain;
    prepare(plain, 1000, 1);
    EXPECT_NEAR(sectionCornerHz(plain), 1000.0, 0.05);
}

TEST(CutCascade, OrderIsClampedThenTruncated) {
    HighPassCascade cascade;
    cascade.setup(2, 2);
    EXPECT_EQ(cascade.setParameters({100, 2.9f, 10, kRate}), 0);
    EXPECT_EQ(cascade.sections(), 2);
    EXPECT_EQ(cascade.setParameters({100, 0, 10, kRate}), 1004);
    EXPECT_EQ(cascade.sections(), 1);
    EXPECT_EQ(cascade.setParameters({100, 13.5f, 10, kRate}), 1004);
    EXPECT_EQ(cascade.sections(), 12);
    EXPECT_EQ(cascade.setParameters({10, 3, 10, kRate}), 1003);
    EXPECT_EQ(cascade.setParameters({100, 3, 5, kRate}), 1005);
    EXPECT_EQ(cascade.setParameters({100, 3, 10, 20000.0f}), 1005);
}

// The first call after setup or reset applies at once; later changes glide for the integer
// part of 4.6 x 10 ms x fs = 0.046 fs samples (2028 at 44100 Hz), with one glide step before
// each section, so the distance left after one sample is (1 - g)^N.
template <class Cascade>
void checkGlide() {
    Cascade cascade;
    prepare(cascade, 200, 4);
    const auto& k = cascade.coefficients();
    EXPECT_EQ(k.left, 0);
    EXPECT_EQ(k.current.c, k.target.c);
    std::vector<float> x(64, 0.1f);
    processMono(cascade, x);

    const float start = k.current.c;
    cascade.setParameters({800, 4, 10, kRate});
    const int length = static_cast<int>(0.046 * 44100.0);
    ASSERT_EQ(length, 2028);
    ASSERT_EQ(k.left, length);
    const float target = k.target.c;

    x.assign(1, 0.1f);
    processMono(cascade, x);
    const double v = 1.0 / (2.0 * 0.01 * 44100.0);
    const double g = 1.0 / (std::cos(v) / std::sin(v) + 1.0);
    // Tolerance 1e-4 of the span: four single-precision steps; (1 - g)^1 would be off by 3e-3.
    EXPECT_NEAR((target - k.current.c) / (target - start), std::pow(1.0 - g, 4), 1e-4);

    x.assign(static_cast<size_t>(length - 2), 0.1f);
    processMono(cascade, x);
    EXPECT_EQ(k.left, 1);
    EXPECT_NE(k.current.c, target);
    x.assign(1, 0.1f);
    processMono(cascade, x);
    EXPECT_EQ(k.left, 0);
    EXPECT_EQ(k.current.c, target);
    EXPECT_EQ(k.current.a, k.target.a);

    // The same values again: nothing restarts. After reset: the next change applies at once.
    EXPECT_EQ(cascade.setParameters({800, 4, 10, kRate}), 0);
    EXPECT_EQ(k.left, 0);
    cascade.reset();
    cascade.setParameters({300, 4, 10, kRate});
    EXPECT_EQ(k.left, 0);
    EXPECT_EQ(k.current.c, k.target.c);
}

TEST(CutCascade, GlideTakesIntegerPartOf0046FsSamples) {
    checkGlide<HighPassCascade>();
    checkGlide<LowPassCascade>();
}
