#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "OutputLevel.h"
#include "UnitSignals.h"

using namespace unit_signals;

namespace {

// Runs n frames of the constant 0.5 through both channels; answers the last output pair
// divided by the input (0.5 plus the offset), i.e. the gains the channels applied last.
std::pair<double, double> gainsAfter(OutputLevel& level, int n) {
    std::vector<float> left(static_cast<size_t>(n), 0.5f);
    std::vector<float> right = left;
    const ChannelBuffers b = stereo(left.data(), right.data(), n);
    level.process(b, b);
    const double x = 0.5 + 1e-7;
    return {left.back() / x, right.back() / x};
}

}  // namespace

// The smoother g += (t - g) 0.001 starting from 0 gives g_n = t (1 - 0.999^n). Tolerance 1e-5
// relative: n single-precision updates, each rounding by 6e-8.
TEST(OutputLevel, FadesInFromSilenceAfterSetupAndReset) {
    OutputLevel level;
    ASSERT_EQ(level.setup(2, 2), 0);
    EXPECT_EQ(level.setParameters(-17, 0), 0);
    const double t = std::pow(10.0, -17.0 / 20.0);
    EXPECT_NEAR(gainsAfter(level, 1).first, t * 0.001, 1e-5 * t * 0.001);
    const double after1000 = t * (1.0 - std::pow(0.999, 1000));
    EXPECT_NEAR(gainsAfter(level, 999).second, after1000, 1e-5 * after1000);
    // Settled: in single precision the step (t - g) 0.001 rounds away once it is below half an
    // ulp of g, so g stops within 500 ulp of t.
    gainsAfter(level, 20000);
    const float tf = static_cast<float>(t);
    EXPECT_NEAR(level.currentGain(0), t, 500.0 * (std::nextafter(tf, 1.0f) - tf));

    level.reset();
    EXPECT_EQ(level.currentGain(0), 0.0f);
    EXPECT_EQ(level.blockCount(), 0);
    EXPECT_NEAR(gainsAfter(level, 1).first, t * 0.001, 1e-5 * t * 0.001);
}

TEST(OutputLevel, PolarityModes) {
    OutputLevel level;
    level.setup(2, 2);
    const float g = static_cast<float>(std::pow(10.0, 6.0 / 20.0));
    struct Case {
        int mode;
        float left, right;
        int warning;
    };
    for (const Case c : {Case{0, g, g, 0}, Case{1, -g, -g, 0}, Case{2, -g, g, 0}, Case{3, g, -g, 0},
                         Case{5, g, -g, 1005}, Case{-1, g, g, 1005}}) {
        EXPECT_EQ(level.setParameters(6, c.mode), c.warning) << c.mode;
        EXPECT_EQ(level.targetGain(0), c.left) << c.mode;
        EXPECT_EQ(level.targetGain(1), c.right) << c.mode;
    }
}

TEST(OutputLevel, LevelIsClampedToMinus100To20Decibels) {
    OutputLevel level;
    level.setup(1, 1);
    EXPECT_EQ(level.setParameters(-120, 0), 1001);
    EXPECT_FLOAT_EQ(level.targetGain(0), 1e-5f);
    EXPECT_EQ(level.setParameters(30, 0), 1001);
    EXPECT_FLOAT_EQ(level.targetGain(0), 10.0f);
}

// No cache: the same values again keep the fade running where it is.
TEST(OutputLevel, RepeatedValuesKeepTheFade) {
    OutputLevel level;
    level.setup(1, 1);
    level.setParameters(0, 0);
    std::vector<float> x(100, 0.5f);
    processMono(level, x);
    const float g = level.currentGain(0);
    EXPECT_EQ(level.setParameters(0, 0), 0);
    EXPECT_EQ(level.currentGain(0), g);
}
