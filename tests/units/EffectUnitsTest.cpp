// The effect units beyond the equaliser: each one's own law, measured on signals whose answer
// is known in closed form (what every unit shares is the typed contract's).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "ChorusUnit.h"
#include "OutputLevel.h"
#include "OverdriveUnit.h"
#include "PhaserUnit.h"
#include "TremoloUnit.h"
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

namespace {

// At 65536 Hz a 4 Hz rate advances the phase by exactly 2^-14 per sample, so the phase sums
// are exact and one period is exactly 16384 samples.
constexpr float kExactRate = 65536.0f;
constexpr int kPeriod = 16384;

}  // namespace

// The gain swings between 1 and 1 - depth at the rate, channel 1 placed by the stereo phase:
// equal at 0 degrees, a quarter cycle ahead at 90, in antiphase at 180 (rising exactly while
// channel 0 falls, so the gains sum to 2 - depth). Each half-cycle's step covers 90 % of its way
// in 40 % of it, leaving 0.32 %; the 12.7 ms smoother trailing the 21.7 ms envelope keeps 2.4
// times that, within 1 % of the depth. 1e-4 between channels: half an ulp per step remembered
// over the envelope's ~2000 samples.
TEST(TremoloUnit, GainSwingsAtItsRateWithTheStereoPhase) {
    const float depth = 0.8f;
    for (const float phase : {0.0f, 90.0f, 180.0f}) {
        TremoloUnit unit;
        unit.setup(2, 2);
        unit.setParameters({80.0f, 4.0f, 50.0f, 40.0f, phase, kExactRate});
        // The gains on a constant 1 (the offset 1e-7 is far inside every tolerance below).
        std::vector<float> left(8 * kPeriod, 1.0f), right = left;
        processStereo(unit, left, right);
        const auto [lo, hi] = std::minmax_element(left.begin() + 5 * kPeriod, left.end());
        EXPECT_NEAR(*hi, 1.0f - 0.005f * depth, 0.005f * depth + 1e-6f) << phase;
        EXPECT_NEAR(*lo, 1.0f - depth + 0.005f * depth, 0.005f * depth + 1e-6f) << phase;
        std::vector<int> falls;  // where channel 0 falls through the middle of its swing
        for (size_t i = 6 * kPeriod; i < 7 * kPeriod; ++i) {
            const float expected = phase == 0.0f    ? left[i]
                                   : phase == 90.0f ? left[i + kPeriod / 4]
                                                    : 2.0f - depth - left[i];
            ASSERT_NEAR(right[i], expected, 1e-4f) << phase << " degrees, sample " << i;
        }
        for (size_t i = 2 * kPeriod; i < left.size(); ++i) {
            if (left[i - 1] >= 1.0f - depth / 2.0f && left[i] < 1.0f - depth / 2.0f) {
                falls.push_back(static_cast<int>(i));
            }
        }
        ASSERT_GE(falls.size(), 5u);
        for (size_t i = 1; i < falls.size(); ++i) {
            EXPECT_EQ(falls[i] - falls[i - 1], kPeriod);  // exact phase sums: exactly one period
        }
    }
}

namespace {

constexpr float kFs = 44100.0f;

// Centroid (in samples) of a response from sample 1 on, after removing the offset 1e-7.
double centroid(const std::vector<float>& response) {
    double sum = 0.0;
    double moment = 0.0;
    for (size_t n = 1; n < response.size(); ++n) {
        sum += response[n] - 1e-7;
        moment += (response[n] - 1e-7) * static_cast<double>(n);
    }
    return moment / sum;
}

}  // namespace

// The engine core's chorus at amount 100: line 1's delay is 1 + 100 m samples, m the smoothed
// |triangle|; an impulse every 256 samples arrives (after the dry one) with its centroid one
// sample later, through the symmetric three-point blend. The 0.001-per-sample smoother lags the
// 0.7 Hz triangle by at most 0.0317: the delay stays in [1, 101] and passes 97.8 and 4.2. At 180
// degrees the triangles sum to 1, so once the right smoother has caught up (0.999^20000 = 2e-9)
// the delays sum to 102, to 0.32 as they are read up to 100 samples apart while moving by up to
// 3.2e-3 samples per sample. 0.02 samples: that movement over a response, and the offset removed.
TEST(ChorusUnit, CoreSweepRunsBetweenOneAndOneHundredOneSamplesInAntiphase) {
    ChorusUnit unit;
    unit.setup(2, 2);
    EXPECT_EQ(unit.setParameters({50, 0, 10, 0.7f, 0.7f, 0, 0, 0, 0, 0, 180, kFs}), 0);
    double lowest = 1e9;
    double highest = -1e9;
    for (int i = 0; i < 640; ++i) {  // 163840 samples: 2.6 cycles of 0.7 Hz
        std::vector<float> l(256, 0.0f), r(256, 0.0f);
        l[0] = r[0] = 1.0f;
        processStereo(unit, l, r);
        const double left = centroid(l) - 1.0;
        const double right = centroid(r) - 1.0;
        lowest = std::min({lowest, left, right});
        highest = std::max({highest, left, right});
        if (i * 256 > 20000) {
            EXPECT_NEAR(left + right, 102.0, 0.32 + 0.02) << "impulse " << i;
        }
    }
    EXPECT_GE(lowest, 1.0 - 0.02);
    EXPECT_LE(lowest, 4.2);
    EXPECT_LE(highest, 101.0 + 0.02);
    EXPECT_GE(highest, 97.8);
}

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

namespace {

// A still mono phaser (no oscillator, envelope or feedback) whose every section has
// k = 1/(1 + tan(pi/8)): the sweep band is collapsed onto fs/8.
void setStill(PhaserUnit& unit, float stages, float mix) {
    unit.setup(1, 1);
    unit.setParameters(
        {0.0f, 0.0f, 0.0f, 0.0f, kFs / 8.0f, kFs / 8.0f, stages, 0.0f, 0.0f, mix, 0.0f, 0.0f, kFs});
}

}  // namespace

// Each section H(z) = (k - 1/z)/(1 - k/z) has DC gain -1, Nyquist gain +1 and DC group delay
// (1+k)/(1-k) (5.828 samples at fs/8), so a ramp leaves N sections as (-1)^N (n - N (1+k)/(1-k));
// with the wet sign flipped for odd N the 100 % wet output is the ramp delayed by
// N (1+k)/(1-k) samples: that counts the sections (a fractional count truncates) and checks the
// sign. The transient (12-fold pole at 0.707) is below 1e-60 by sample 900; 0.01 samples
// covers float rounding through 12 sections (~1e-6 of a value near 1).
TEST(PhaserUnit, RampDelayCountsSectionsAndOddCountsFlipTheWetSign) {
    const double k = 1.0 / (1.0 + std::tan(std::numbers::pi / 8.0));
    const struct {
        float requested;
        int runs;
    } cases[] = {{4.0f, 4}, {5.0f, 5}, {4.9f, 4}, {11.0f, 11}, {12.7f, 12}};
    for (const auto& c : cases) {
        PhaserUnit unit;
        setStill(unit, c.requested, 100.0f);
        std::vector<float> y(1000);
        for (size_t n = 0; n < y.size(); ++n) {
            y[n] = 1e-3f * static_cast<float>(n);
        }
        processMono(unit, y);
        const double delay = (0.9 - (y[900] - 1e-7)) / 1e-3;
        EXPECT_NEAR(delay, c.runs * (1.0 + k) / (1.0 - k), 0.01) << "stage count " << c.requested;
    }
}

// Mix +50 %: out = 0.5 x + 0.5 wet. With 4 sections DC and Nyquist both pass; with 5 the
// flipped wet sign keeps DC and cancels Nyquist. Mix -50 % cancels DC for both. Settled by
// sample 1000; 1e-5 covers rounding and the 1e-7 offset.
TEST(PhaserUnit, HalfMixSignWithEvenAndOddSections) {
    const struct {
        float stages, mix;
        double dc, nyquist;
    } cases[] = {{4, 50, 1, 1}, {5, 50, 1, 0}, {4, -50, 0, 0}, {5, -50, 0, 1}};
    for (const auto& c : cases) {
        PhaserUnit unit;
        setStill(unit, c.stages, c.mix);
        std::vector<float> x(1200);
        for (size_t n = 0; n < x.size(); ++n) {
            x[n] = 0.25f + ((n % 2) != 0 ? -0.5f : 0.5f);
        }
        processMono(unit, x);
        EXPECT_NEAR((x[1000] + x[1001]) / 2.0, 0.25 * c.dc, 1e-5) << c.stages << ", " << c.mix;
        EXPECT_NEAR((x[1000] - x[1001]) / 2.0, 0.5 * c.nyquist, 1e-5) << c.stages << ", " << c.mix;
    }
}
