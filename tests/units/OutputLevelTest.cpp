#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "OutputLevel.h"
#include "UnitSignals.h"

using namespace unit_signals;

// The smoother g += (t - g) s from 0 after setup or reset gives g_n = t (1 - (1 - s)^n); at 44100
// Hz s = 0.001, at other rates the step covering the same share in the same time: (1 - s)^n =
// 0.999^(44100 n/fs). Tolerance 1e-5 relative: n single-precision updates rounding by 6e-8.
TEST(OutputLevel, FadesInFromSilenceAsLongAtEveryRate) {
    OutputLevel level;
    ASSERT_EQ(level.setup(1, 1), 0);
    EXPECT_EQ(level.setParameters(-17, 0), 0);
    const double t = std::pow(10.0, -17.0 / 20.0);
    for (const double fs : {44100.0, 96000.0, 44100.0}) {
        EXPECT_EQ(level.setSampleRate(static_cast<float>(fs)), 0);
        level.reset();
        std::vector<float> x(2000, 0.5f);
        processMono(level, x);
        for (const int n : {1, 2000}) {
            const double expected = t * (1.0 - std::pow(0.999, 44100.0 * n / fs));
            EXPECT_NEAR(x[static_cast<size_t>(n - 1)] / (0.5 + 1e-7), expected, 1e-5 * expected)
                << fs << " Hz, sample " << n;
        }
    }
}

// Targets +-10^(dB/20), dB clamped to [-100, 20]; mode 1 flips both channels, 2 the left, 3 the
// right; modes outside [0, 3] are taken into it with a warning.
TEST(OutputLevel, PolarityModesAndLevelClamp) {
    OutputLevel level;
    level.setup(2, 2);
    const float g = static_cast<float>(std::pow(10.0, 6.0 / 20.0));
    const struct {
        float dB;
        int mode;
        float left, right;
        int warning;
    } cases[] = {{6, 0, g, g, 0},
                 {6, 1, -g, -g, 0},
                 {6, 2, -g, g, 0},
                 {6, 3, g, -g, 0},
                 {6, 5, g, -g, 1005},
                 {6, -1, g, g, 1005},
                 {-120, 0, 1e-5f, 1e-5f, 1001},
                 {30, 0, 10, 10, 1001}};
    for (const auto& c : cases) {
        EXPECT_EQ(level.setParameters(c.dB, c.mode), c.warning) << c.mode;
        EXPECT_FLOAT_EQ(level.targetGain(0), c.left) << c.dB << " dB, mode " << c.mode;
        EXPECT_FLOAT_EQ(level.targetGain(1), c.right) << c.dB << " dB, mode " << c.mode;
    }
}
