#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "OverdriveUnit.h"
#include "UnitSignals.h"

using namespace unit_signals;

namespace {

// The bilinear one-pole low-pass with its corner pre-warped to fc: K = tan(pi fc/fs),
// H(z) = K/(1+K) (1 + 1/z)/(1 + (K-1)/(K+1) /z).
struct ToneFilter {
    double c;
    double a1;
};

ToneFilter toneFilter(double fc, double fs) {
    const double k = std::tan(std::numbers::pi * fc / fs);
    return {k / (1.0 + k), (k - 1.0) / (k + 1.0)};
}

// Steady output for a constant input: the tone filter's DC gain is 1, so it is the shaped
// sample times the level.
float steadyOutput(OverdriveUnit& unit, float input) {
    std::vector<float> x(2048, input);
    processMono(unit, x);
    return x.back();
}

}  // namespace

TEST(OverdriveUnit, SetupAnswersChannelCodesAndKeepsEarlierState) {
    OverdriveUnit unit;
    float sample = 0.25f;
    const ChannelBuffers b = mono(&sample, 1);
    EXPECT_EQ(unit.process(b, b), 0);  // no state yet: nothing touched
    EXPECT_EQ(sample, 0.25f);
    EXPECT_EQ(unit.setup(3, 3), -1001);
    EXPECT_EQ(unit.setup(0, 0), -1001);
    EXPECT_EQ(unit.setup(2, 1), -1002);
    EXPECT_EQ(unit.process(b, b), 0);
    EXPECT_EQ(unit.setup(1, 1), 0);
    EXPECT_EQ(unit.setup(1, 2), -1002);  // the mono state stays
    EXPECT_EQ(unit.inputChannels(), 1);
    unit.setParameters({0.0f, 20000.0f, 0.0f, 44100.0f});
    EXPECT_EQ(unit.process(b, b), 1);
}

// A driven value beyond +-1 is limited before the cubic, so the shaped sample is exactly +-1.
// Inverting the tone filter on the output recovers it: v[n] = out[n]/(c L) - v[n-1],
// y[n] = v[n] + a1 v[n-1]. With level L = 1/(2c) the output is bounded by max|y| = 1, since the
// filter's impulse response c, c(1-a1)a1^(n-1) sums in magnitude to 2c for a1 > 0.
TEST(OverdriveUnit, HugeInputIsShapedToExactlyUnitBeforeTheToneFilter) {
    const float fs = 44100.0f;
    const ToneFilter tone = toneFilter(20000.0, fs);
    ASSERT_GT(tone.a1, 0.0);
    const double level = 1.0 / (2.0 * tone.c);
    OverdriveUnit unit;
    unit.setup(1, 1);
    EXPECT_EQ(
        unit.setParameters({100.0f, 20000.0f, static_cast<float>(20.0 * std::log10(level)), fs}),
        0);

    std::mt19937 rng(7);
    std::uniform_real_distribution<float> sign(-1.0f, 1.0f);
    std::vector<float> x(64);
    for (float& s : x) {
        s = (sign(rng) < 0.0f ? -1.0f : 1.0f) * 1e30f;
    }
    std::vector<float> out = x;
    processMono(unit, out);
    double vPrevious = 0.0;
    for (size_t n = 0; n < x.size(); ++n) {
        EXPECT_LE(std::fabs(out[n]), 1.0f + 1e-6f);  // float rounding of the filter sum
        const double v = out[n] / (tone.c * level) - vPrevious;
        const double y = v + tone.a1 * vPrevious;
        // 1e-4: the inverse recursion adds one float rounding (~1e-7) of the output per sample.
        EXPECT_NEAR(y, x[n] > 0.0f ? 1.0 : -1.0, 1e-4) << "sample " << n;
        vPrevious = v;
    }
}

// Small signals see the cubic's slope 1.5 (and the driven value x(1.5 - 0.5x^2) exactly).
TEST(OverdriveUnit, SmallSignalsPassWithGainOneAndAHalfAndDriveClampsAtMinus20) {
    const float fs = 44100.0f;
    OverdriveUnit unit;
    unit.setup(1, 1);
    unit.setParameters({0.0f, 20000.0f, 0.0f, fs});
    const double x = 1e-3 + 1e-7;
    // 2e-6 relative: float rounding in the tone filter recursion.
    EXPECT_NEAR(steadyOutput(unit, 1e-3f), (1.5 - 0.5 * x * x) * x, 2e-6 * 1.5e-3);

    // -30 dB is clamped to -20 dB: x = 0.1, y = 0.15 - 0.0005 = 0.1495.
    EXPECT_EQ(unit.setParameters({-30.0f, 20000.0f, 0.0f, fs}), 1005);
    EXPECT_NEAR(steadyOutput(unit, 1.0f), 0.1495, 1e-6);  // float coefficient rounding
    EXPECT_EQ(unit.setParameters({-20.0f, 20000.0f, 0.0f, fs}), 0);
}

// The core levels the drive by -drive/(0.0165 drive + 1.5) dB: 20 dB of drive gives
// -20/1.83 = -10.93 dB, so a small signal's gain is about 10 * 1.5 * 10^(-10.93/20) = 4.262.
TEST(OverdriveUnit, CoreCompensationLevelsTwentyDbOfDrive) {
    const float drive = 20.0f;
    const float level = -drive / (drive * 0.0165f + 1.5f);
    EXPECT_NEAR(level, -10.93f, 0.005f);
    OverdriveUnit unit;
    unit.setup(1, 1);
    EXPECT_EQ(unit.setParameters({drive, 20000.0f, level, 44100.0f}), 0);
    const double x = 10.0 * (1e-4 + 1e-7);
    const double expected = (1.5 - 0.5 * x * x) * x * std::pow(10.0, level / 20.0);
    // 2e-6 relative: float rounding of the coefficients and the tone filter recursion.
    EXPECT_NEAR(steadyOutput(unit, 1e-4f), expected, 2e-6 * expected);
}

// The bilinear low-pass is -3.01 dB at its corner: a 1 kHz sine of amplitude 0.01 leaves at
// 1.5 * 0.01 / sqrt(2) (the cubic's share at this level is 2.5e-5 relative).
TEST(OverdriveUnit, ToneFilterIsThreeDbDownAtItsFrequency) {
    const double fs = 48000.0;
    const double f = 1000.0;
    OverdriveUnit unit;
    unit.setup(1, 1);
    unit.setParameters({0.0f, static_cast<float>(f), 0.0f, static_cast<float>(fs)});
    const double step = 2.0 * std::numbers::pi * f / fs;
    std::vector<float> x(9600);
    for (size_t n = 0; n < x.size(); ++n) {
        x[n] = static_cast<float>(0.01 * std::sin(step * static_cast<double>(n)));
    }
    processMono(unit, x);
    double si = 0.0;
    double co = 0.0;
    for (size_t n = 4800; n < 9600; ++n) {  // 100 whole periods after 100 to settle
        si += x[n] * std::sin(step * static_cast<double>(n));
        co += x[n] * std::cos(step * static_cast<double>(n));
    }
    const double amplitude = 2.0 / 4800.0 * std::hypot(si, co);
    EXPECT_NEAR(amplitude / (0.015 / std::sqrt(2.0)), 1.0, 1e-4);
}

TEST(OverdriveUnit, ClampsReportAndResetEqualsFreshUnit) {
    OverdriveUnit unit;
    unit.setup(2, 2);
    EXPECT_EQ(unit.setParameters({10.0f, 30000.0f, 0.0f, 44100.0f}), 1005);
    EXPECT_EQ(unit.setParameters({10.0f, 3000.0f, 50.0f, 44100.0f}), 1005);
    EXPECT_EQ(unit.setParameters({10.0f, 3000.0f, 0.0f, 30000.0f}), 1005);
    EXPECT_EQ(unit.setParameters({NAN, 3000.0f, 0.0f, 44100.0f}), 1005);
    EXPECT_EQ(unit.setParameters({10.0f, 3000.0f, 0.0f, 44100.0f}), 0);

    std::vector<float> l = noise(300, 1);
    std::vector<float> r = noise(300, 2);
    const ChannelBuffers b = stereo(l.data(), r.data(), 300);
    EXPECT_EQ(unit.process(b, b), 300);
    unit.reset();
    OverdriveUnit fresh;
    fresh.setup(2, 2);
    fresh.setParameters({10.0f, 3000.0f, 0.0f, 44100.0f});
    std::vector<float> l2 = noise(300, 3);
    std::vector<float> r2 = noise(300, 4);
    std::vector<float> l3 = l2;
    std::vector<float> r3 = r2;
    const ChannelBuffers b2 = stereo(l2.data(), r2.data(), 300);
    const ChannelBuffers b3 = stereo(l3.data(), r3.data(), 300);
    unit.process(b2, b2);
    fresh.process(b3, b3);
    EXPECT_EQ(l2, l3);
    EXPECT_EQ(r2, r3);
}
