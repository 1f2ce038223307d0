#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "TempoClock.h"
#include "TremoloUnit.h"
#include "UnitSignals.h"

using namespace unit_signals;

namespace {

// At 65536 Hz a 4 Hz rate advances the phase by exactly 2^-14 per sample, so the phase sums
// are exact and one period is exactly 16384 samples.
constexpr float kExactRate = 65536.0f;
constexpr int kPeriod = 16384;

struct Gains {
    std::vector<float> left;
    std::vector<float> right;
};

// The gain each channel applies to a constant input of 1, over `frames`, in 256-frame blocks.
Gains runGains(TremoloUnit& unit, int frames) {
    Gains g{std::vector<float>(static_cast<size_t>(frames), 1.0f),
            std::vector<float>(static_cast<size_t>(frames), 1.0f)};
    for (int start = 0; start < frames; start += 256) {
        const int n = std::min(256, frames - start);
        const ChannelBuffers b = stereo(g.left.data() + start, g.right.data() + start, n);
        unit.process(b, b);
    }
    for (size_t i = 0; i < g.left.size(); ++i) {
        g.left[i] /= 1.0f + 1e-7f;
        g.right[i] /= 1.0f + 1e-7f;
    }
    return g;
}

void setUp(TremoloUnit& unit, float depth, float rate, float duty, float phase, float fs) {
    unit.setup(2, 2);
    unit.setParameters({depth, rate, duty, 40.0f, phase, fs});
}

// Sample indices from `from` on where the gain falls through the middle of its swing.
std::vector<int> downwardCrossings(const std::vector<float>& g, float middle, int from) {
    std::vector<int> at;
    for (size_t i = static_cast<size_t>(from); i < g.size(); ++i) {
        if (g[i - 1] >= middle && g[i] < middle) {
            at.push_back(static_cast<int>(i));
        }
    }
    return at;
}

}  // namespace

TEST(TremoloUnit, SetupAnswersChannelCodes) {
    TremoloUnit unit;
    float sample = 0.5f;
    const ChannelBuffers b = mono(&sample, 1);
    EXPECT_EQ(unit.process(b, b), 0);
    EXPECT_EQ(sample, 0.5f);
    EXPECT_EQ(unit.setup(3, 3), -1001);
    EXPECT_EQ(unit.setup(2, 1), -1002);
    EXPECT_EQ(unit.process(b, b), 0);
    EXPECT_EQ(unit.setup(1, 1), 0);
    EXPECT_EQ(unit.process(b, b), 1);
}

// Each half-cycle's exponential step covers 90 % of its distance in 40 % of the half-cycle,
// so by the segment's end only e^(-2.3 * 2.5) = 0.32 % of the swing is left. The smoother
// (m += (e - m) * 1.2e-3: time constant 835 samples, 12.7 ms) trails an envelope decaying with
// a 50 ms / 2.3 = 21.7 ms time constant, which keeps it 21.7 / (21.7 - 12.7) = 2.4 times as far
// from the target: 0.77 %. The gain therefore swings between 1 and 1 - depth to within 1 % of
// the depth.
TEST(TremoloUnit, GainSwingsBetweenOneAndOneMinusDepthAtItsRate) {
    const float depth = 0.6f;
    TremoloUnit unit;
    setUp(unit, 60.0f, 4.0f, 50.0f, 0.0f, kExactRate);
    const Gains g = runGains(unit, 10 * kPeriod);
    const std::vector<float> settled(g.left.begin() + 5 * kPeriod, g.left.end());
    const auto [lo, hi] = std::minmax_element(settled.begin(), settled.end());
    EXPECT_LE(*hi, 1.0f + 1e-6f);
    EXPECT_GE(*hi, 1.0f - 0.01f * depth);
    EXPECT_GE(*lo, 1.0f - depth - 1e-6f);
    EXPECT_LE(*lo, 1.0f - depth + 0.01f * depth);

    // Crossings after two periods: the first cycle starts from a zero envelope and crosses a
    // few samples early.
    const std::vector<int> at = downwardCrossings(g.left, 1.0f - depth / 2.0f, 2 * kPeriod);
    ASSERT_GE(at.size(), 7u);
    for (size_t i = 1; i < at.size(); ++i) {
        EXPECT_EQ(at[i] - at[i - 1], kPeriod);  // exact phase sums: exactly one period
    }
    EXPECT_EQ(g.left, g.right);  // stereo phase 0: channels identical
}

// At 180 degrees channel 1 runs half a cycle away with the duty mirrored, so it rises exactly
// while channel 0 falls, with the same coefficient: the envelopes obey e1 = depth - e0 once
// the start difference has contracted, and the gains sum to 2 - depth. Any duty shows it; 25 %
// keeps the offset 0.75 exact, so the segment switches coincide sample for sample (with an
// inexact offset such as 0.7 a phase of exactly 1.0 may round onto the wrong side once a
// cycle).
TEST(TremoloUnit, HalfCycleStereoPhaseIsAntiphase) {
    for (const float duty : {50.0f, 25.0f}) {
        const float depth = 0.8f;
        TremoloUnit unit;
        setUp(unit, 80.0f, 4.0f, duty, 180.0f, kExactRate);
        const Gains g = runGains(unit, 8 * kPeriod);
        size_t top = 7 * kPeriod;
        for (size_t i = 7 * kPeriod; i < g.left.size(); ++i) {
            // 1e-4: half an ulp (3e-8) of rounding per step, remembered over the envelope's
            // memory of ~2000 samples; the start transient is below 1e-20.
            ASSERT_NEAR(g.left[i] + g.right[i], 2.0f - depth, 1e-4f) << "duty " << duty;
            top = g.left[i] > g.left[top] ? i : top;
        }
        const float rightMin = *std::min_element(g.right.begin() + 7 * kPeriod, g.right.end());
        EXPECT_NEAR(g.right[top], rightMin, 1e-4f);  // left at its max, right at its min
    }
}

// 90 degrees: channel 1 leads by a quarter cycle (4096 samples here); -90 equals 270.
TEST(TremoloUnit, QuarterCycleLeadAndNegativePhaseWrap) {
    TremoloUnit quarter;
    setUp(quarter, 70.0f, 4.0f, 50.0f, 90.0f, kExactRate);
    const Gains g = runGains(quarter, 8 * kPeriod);
    for (size_t i = 6 * kPeriod; i < 7 * kPeriod; ++i) {
        ASSERT_NEAR(g.right[i], g.left[i + kPeriod / 4], 1e-4f);  // rounding, as above
    }
    TremoloUnit minus;
    setUp(minus, 70.0f, 3.0f, 50.0f, -90.0f, 44100.0f);
    TremoloUnit plus;
    setUp(plus, 70.0f, 3.0f, 50.0f, 270.0f, 44100.0f);
    const Gains a = runGains(minus, 30000);
    const Gains b = runGains(plus, 30000);
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.right, b.right);
}

// 16 Hz at 65536 Hz steps by exactly 2^-12: after 4096 samples the phase is exactly 1.0 and
// stays, one sample later it has wrapped to 2^-12.
TEST(TremoloUnit, PhaseWrapsOnlyAboveOne) {
    TremoloUnit unit;
    unit.setup(1, 1);
    unit.setParameters({50.0f, 16.0f, 50.0f, 40.0f, 0.0f, kExactRate});
    std::vector<float> x(4096, 0.0f);
    processMono(unit, x);
    EXPECT_EQ(unit.phaseOf(0), 1.0f);
    float one = 0.0f;
    const ChannelBuffers b = mono(&one, 1);
    unit.process(b, b);
    EXPECT_EQ(unit.phaseOf(0), 1.0f / 4096.0f);
}

// Rate 0 freezes the oscillator and makes both coefficients 0 (slope/0 is no number): the
// envelope holds where it was, with the smoother settling onto it.
TEST(TremoloUnit, RateZeroAndTempoSyncHoldTheEnvelope) {
    for (const float slope : {40.0f, 0.0f}) {
        for (const float rate : {0.0f, -3.5f}) {
            TremoloUnit unit;
            unit.setup(1, 1);
            unit.setParameters({80.0f, 4.0f, 50.0f, slope, 0.0f, kExactRate});
            std::vector<float> x(kPeriod * 3 / 4, 1.0f);  // into the rising half
            processMono(unit, x);
            EXPECT_EQ(unit.setParameters({80.0f, rate, 50.0f, slope, 0.0f, kExactRate}), 0);
            const float phase = unit.phaseOf(0);
            std::vector<float> held(20000, 1.0f);
            processMono(unit, held);
            EXPECT_EQ(unit.phaseOf(0), phase);
            EXPECT_TRUE(std::isfinite(held.back()));
            EXPECT_LT(held.back(), 0.9f);  // the gain stays down where the envelope was
            // The 25 Hz smoother closes all but e^-12 of its gap in 10000 samples: gain constant.
            EXPECT_NEAR(held[10000], held.back(), 1e-6f);
            EXPECT_EQ(unit.syncModeOn(), rate < 0.0f);
        }
    }
}

// A negative rate selects note value trunc(-rate) with phase 0.5; the clock keeps the table
// and the sample rate it was handed (outside [44000, 97000] Hz reported, not clamped).
TEST(TremoloUnit, TempoClockKeepsNoteValueAndSampleRate) {
    TremoloUnit unit;
    unit.setup(2, 2);
    EXPECT_EQ(unit.setParameters({50.0f, -3.5f, 50.0f, 40.0f, 0.0f, 30000.0f}), 1005);
    EXPECT_EQ(unit.tempoClock().sampleRateNow(), 30000.0f);
    EXPECT_EQ(unit.tempoClock().noteValueNumber(), 3);
    EXPECT_EQ(unit.tempoClock().startPhase(), 0.5f);
    EXPECT_EQ(unit.setParameters({50.0f, -40.0f, 50.0f, 40.0f, 0.0f, 48000.0f}), 1005);
    EXPECT_EQ(unit.tempoClock().noteValueNumber(), 35);

    EXPECT_EQ(TempoClock::noteValue(3).count, 128);
    EXPECT_EQ(TempoClock::noteValue(3).divisor, 3);
    EXPECT_EQ(TempoClock::noteValue(0).count, 96);  // below the table reads as number 1
    EXPECT_EQ(TempoClock::noteValue(21).count, 2);
    EXPECT_EQ(TempoClock::noteValue(21).divisor, 3);
    EXPECT_EQ(TempoClock::noteValue(22).bars, 1);
    EXPECT_EQ(TempoClock::noteValue(34).bars, 28);
    EXPECT_EQ(TempoClock::noteValue(35).bars, 32);
}

TEST(TremoloUnit, DepthZeroPassesAndResetRestartsAtGainOne) {
    TremoloUnit flat;
    setUp(flat, 0.0f, 6.0f, 50.0f, 90.0f, 44100.0f);
    const Gains g = runGains(flat, 5000);
    for (size_t i = 0; i < g.left.size(); ++i) {
        ASSERT_EQ(g.left[i], 1.0f);
        ASSERT_EQ(g.right[i], 1.0f);
    }

    TremoloUnit used;
    setUp(used, 60.0f, 6.0f, 50.0f, 90.0f, 44100.0f);
    runGains(used, 7000);
    used.reset();
    // Two calls with the same values leave the state alone (no cache, nothing touched).
    EXPECT_EQ(used.setParameters({60.0f, 6.0f, 50.0f, 40.0f, 90.0f, 44100.0f}), 0);
    TremoloUnit fresh;
    setUp(fresh, 60.0f, 6.0f, 50.0f, 90.0f, 44100.0f);
    const Gains a = runGains(used, 7000);
    const Gains b = runGains(fresh, 7000);
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.right, b.right);
    EXPECT_EQ(a.left.front(), 1.0f);
    EXPECT_EQ(used.setParameters({150.0f, 6.0f, 50.0f, 40.0f, -200.0f, 44100.0f}), 1005);
}
