#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "PhaserUnit.h"
#include "UnitSignals.h"

using namespace unit_signals;

namespace {

constexpr float kFs = 44100.0f;

// A still phaser (no oscillator, envelope or feedback) whose every section has
// k = 1/(1 + tan(pi/8)): the sweep band is collapsed onto fs/8.
void setStill(PhaserUnit& unit, float stages, float mix) {
    unit.setParameters(
        {0.0f, 0.0f, 0.0f, 0.0f, kFs / 8.0f, kFs / 8.0f, stages, 0.0f, 0.0f, mix, 0.0f, 0.0f, kFs});
}

// k of the table entry for frequency f: 1/(1 + tan(pi f/fs)).
double allPassK(double f, double fs) {
    return 1.0 / (1.0 + std::tan(std::numbers::pi * f / fs));
}

}  // namespace

TEST(PhaserUnit, SetupReportsCodesButStillConfigures) {
    PhaserUnit unit;
    float l = 0.5f;
    float r = 0.5f;
    const ChannelBuffers b = stereo(&l, &r, 1);
    EXPECT_EQ(unit.process(b, b), 0);  // no state yet
    EXPECT_EQ(l, 0.5f);
    EXPECT_EQ(unit.setup(3, 3), -1001);
    EXPECT_EQ(unit.setup(3, 2), -1002);  // the later check wins
    EXPECT_EQ(unit.setup(0, 0), -1001);
    EXPECT_EQ(unit.setup(-1, -1), -1001);
    EXPECT_EQ(unit.process(b, b), 1);  // no channel to run
    EXPECT_EQ(l, 0.5f);
    EXPECT_EQ(unit.setup(2, 1), -1002);  // configured for two channels all the same
    setStill(unit, 4.0f, 0.0f);          // mix 0: dry = 1, output = input + 1e-7
    EXPECT_EQ(unit.process(b, b), 1);
    EXPECT_EQ(l, 0.5f + 1e-7f);
    EXPECT_EQ(r, 0.5f + 1e-7f);
    EXPECT_EQ(unit.setup(5, 5), -1001);  // runs the record's two channels only
    EXPECT_EQ(unit.process(b, b), 1);
    EXPECT_EQ(unit.setup(1, 1), 0);
}

// The table is k = 1/(1 + tan(pi f/fs)) with f on a square law from low to high.
TEST(PhaserUnit, TableFollowsTheSquareLawAndSurvivesSetupAfterSetter) {
    PhaserUnit unit;
    EXPECT_EQ(unit.setParameters({1.0f, 1.0f, 0.0f, 0.0f, 550.0f, 5500.0f, 4.0f, 0.0f, 0.0f, 50.0f,
                                  0.0f, 1.0f, kFs}),
              0);  // before setup: no table to fill yet
    unit.setup(2, 2);
    const float* table = unit.coefficientTable();
    const double t = 128.0 / 255.0;
    EXPECT_NEAR(table[0], allPassK(550.0, kFs), 1e-7);  // float rounding of k
    EXPECT_NEAR(table[128], allPassK(t * t * 4950.0 + 550.0, kFs), 1e-7);
    EXPECT_NEAR(table[255], allPassK(5500.0, kFs), 1e-7);
}

// Each section H(z) = (k - 1/z)/(1 - k/z) has DC gain -1 and DC group delay (1+k)/(1-k), so a
// ramp leaves N sections as (-1)^N (n - N (1+k)/(1-k)); with the wet sign flipped for odd N
// the 100 % wet output is the ramp delayed by N (1+k)/(1-k) samples. At fs/8 that is 5.828
// samples per section, which counts the sections and checks the sign.
TEST(PhaserUnit, RampDelayCountsSectionsAndOddCountsFlipTheWetSign) {
    const double k = allPassK(kFs / 8.0, kFs);
    const double perSection = (1.0 + k) / (1.0 - k);
    const struct {
        float requested;
        int runs;
    } cases[] = {{4.0f, 4}, {5.0f, 5}, {4.9f, 4}, {11.0f, 11}, {12.7f, 12}};
    for (const auto& c : cases) {
        PhaserUnit unit;
        unit.setup(1, 1);
        setStill(unit, c.requested, 100.0f);
        EXPECT_EQ(unit.stageCount(), c.runs);
        std::vector<float> x(1000);
        for (size_t n = 0; n < x.size(); ++n) {
            x[n] = 1e-3f * static_cast<float>(n);
        }
        std::vector<float> y = x;
        processMono(unit, y);
        // The transient (12-fold pole at 0.707) is below 1e-60 by sample 900; 0.01 samples
        // covers float rounding through 12 sections (~1e-6 of a value near 1).
        const double delay = (x[900] - (y[900] - 1e-7)) / 1e-3;
        EXPECT_NEAR(delay, c.runs * perSection, 0.01) << "stage count " << c.requested;
    }
}

// Mix +50 %: out = 0.5 x + 0.5 wet. The chain is -1 per section at DC and +1 at Nyquist, so
// with 4 sections both pass (gain 1); with 5 the flipped wet sign keeps DC at 1 and cancels
// Nyquist. Mix -50 % cancels DC for both.
TEST(PhaserUnit, HalfMixSignWithEvenAndOddSections) {
    const struct {
        float stages;
        float mix;
        double dcGain;
        double nyquistGain;
    } cases[] = {{4.0f, 50.0f, 1.0, 1.0},
                 {5.0f, 50.0f, 1.0, 0.0},
                 {4.0f, -50.0f, 0.0, 0.0},
                 {5.0f, -50.0f, 0.0, 1.0}};
    for (const auto& c : cases) {
        PhaserUnit unit;
        unit.setup(1, 1);
        setStill(unit, c.stages, c.mix);
        std::vector<float> x(1200);
        for (size_t n = 0; n < x.size(); ++n) {
            x[n] = 0.25f + ((n % 2) != 0 ? -0.5f : 0.5f);
        }
        processMono(unit, x);
        // Settled by sample 1000 (transient < 1e-60); 1e-5 covers rounding and the 1e-7 offset.
        const double dc = (x[1000] + x[1001]) / 2.0;
        const double nyquist = (x[1000] - x[1001]) / 2.0;
        EXPECT_NEAR(dc, 0.25 * c.dcGain, 1e-5) << c.stages << " sections, mix " << c.mix;
        EXPECT_NEAR(nyquist, 0.5 * c.nyquistGain, 1e-5) << c.stages << " sections, mix " << c.mix;
    }
}

// Driven as hard as the ranges allow (both oscillators at 10 Hz, full envelope sweep and rate
// from a loud input, full feedback), the sweep position is clamped to [0, 254], so the
// interpolation reads at most entry 255; it reaches both bounds. A non-finite input turns the
// position into no number, which reads as 0.
TEST(PhaserUnit, SweepPositionStaysInsideTheTable) {
    for (const float sweep : {100.0f, -100.0f, 0.0f}) {
        PhaserUnit unit;
        unit.setup(2, 2);
        unit.setParameters({10.0f, 10.0f, 50.0f, 100.0f, 20.0f, 20000.0f, 12.0f, 100.0f, 90.0f,
                            100.0f, sweep, 1.0f, 44000.0f});
        std::vector<float> l = noise(20000, 5);
        std::vector<float> r = noise(20000, 6);
        float lowest = 300.0f;
        float highest = -1.0f;
        for (size_t n = 0; n < l.size(); ++n) {
            l[n] *= 2e4f * static_cast<float>((n / 2000) % 2);  // loud and silent stretches
            r[n] *= 2e4f * static_cast<float>((n / 2000) % 2);
            const ChannelBuffers b = stereo(&l[n], &r[n], 1);
            unit.process(b, b);
            for (int c = 0; c < 2; ++c) {
                lowest = std::min(lowest, unit.sweepPosition(c));
                highest = std::max(highest, unit.sweepPosition(c));
            }
            ASSERT_TRUE(std::isfinite(l[n]) && std::isfinite(r[n]));
        }
        EXPECT_GE(lowest, 0.0f);
        EXPECT_EQ(highest, 254.0f) << "envelope sweep " << sweep;
        if (sweep < 0.0f) {
            EXPECT_EQ(lowest, 0.0f);
        }
    }
    PhaserUnit unit;
    unit.setup(1, 1);
    unit.setParameters(
        {1.0f, 0.0f, 0.0f, 0.0f, 550.0f, 5500.0f, 4.0f, 0.0f, 0.0f, 50.0f, 100.0f, 1.0f, kFs});
    float x[2] = {std::numeric_limits<float>::infinity(), 0.0f};
    const ChannelBuffers b = mono(x, 2);
    unit.process(b, b);
    EXPECT_EQ(unit.sweepPosition(0), 0.0f);
}

// Two channels at 180 degrees: channel 1's oscillator runs 255 units (half a cycle) ahead, so
// the triangle sweeps |p| of the two channels sum to 255 wherever neither is clamped.
TEST(PhaserUnit, HalfCycleStereoPhase) {
    PhaserUnit unit;
    unit.setup(2, 2);
    unit.setParameters(
        {3.0f, 0.0f, 0.0f, 50.0f, 550.0f, 5500.0f, 4.0f, 0.0f, 180.0f, 50.0f, 0.0f, 1.0f, kFs});
    std::vector<float> l = noise(30000, 8);
    std::vector<float> r = noise(30000, 9);
    for (size_t n = 0; n < l.size(); n += 100) {
        const ChannelBuffers b = stereo(&l[n], &r[n], 100);
        unit.process(b, b);
        const float ahead = std::fmod(unit.oscillator1(1) - unit.oscillator1(0) + 510.0f, 510.0f);
        // 0.01 units: both positions are float sums near 255 (ulp 3e-5) over 100 steps.
        EXPECT_NEAR(ahead, 255.0f, 0.01f);
        const float q0 = unit.sweepPosition(0);
        const float q1 = unit.sweepPosition(1);
        if (q0 < 254.0f && q1 < 254.0f) {
            EXPECT_NEAR(q0 + q1, 255.0f, 0.01f);
        }
    }
}

// The follower carries the previous input across blocks, so the output does not depend on
// the block size, and reset returns the unit to a fresh one.
TEST(PhaserUnit, BlockSizeIndependentAndResetEqualsFresh) {
    auto configure = [](PhaserUnit& unit) {
        unit.setup(1, 1);
        unit.setParameters({2.0f, 0.5f, 30.0f, 60.0f, 300.0f, 3000.0f, 6.0f, 80.0f, 0.0f, 70.0f,
                            40.0f, 0.0f, kFs});
    };
    PhaserUnit whole;
    PhaserUnit pieces;
    configure(whole);
    configure(pieces);
    std::vector<float> a = noise(5000, 11);
    std::vector<float> b = a;
    processMono(whole, a, 5000);
    processMono(pieces, b, 7);
    EXPECT_EQ(a, b);

    whole.reset();
    PhaserUnit fresh;
    configure(fresh);
    std::vector<float> c = noise(3000, 12);
    std::vector<float> d = c;
    processMono(whole, c);
    processMono(fresh, d);
    EXPECT_EQ(c, d);
    EXPECT_EQ(fresh.setParameters({11.0f, 0.0f, 0.0f, 0.0f, 550.0f, 5500.0f, 4.0f, 0.0f, 0.0f,
                                   50.0f, 0.0f, 1.0f, kFs}),
              1005);
    EXPECT_EQ(fresh.setParameters({1.0f, 0.0f, 0.0f, 0.0f, 550.0f, 5500.0f, NAN, 0.0f, 0.0f, 50.0f,
                                   0.0f, 1.0f, kFs}),
              1005);
}
