#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "ChorusUnit.h"
#include "UnitSignals.h"

using namespace unit_signals;

namespace {

constexpr float kFs = 44100.0f;

// The core's call for a chorus amount: (amount/2, 0, 10, 0.7, 0.7, 0, 0, 0, 0, 0, 180, rate).
int setCore(ChorusUnit& unit, float amount) {
    return unit.setParameters(
        {0.5f * amount, 0.0f, 10.0f, 0.7f, 0.7f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 180.0f, kFs});
}

// Centroid (in samples after the impulse) and weight of a response over [from, to), after
// removing `dc` (what the 1e-7 offset leaves in the output) from every sample.
struct Arrival {
    double delay;
    double weight;
};

Arrival arrival(const float* response, int from, int to, double dc) {
    double sum = 0.0;
    double moment = 0.0;
    for (int n = from; n < to; ++n) {
        const double v = response[n] - dc;
        sum += v;
        moment += v * n;
    }
    return {moment / sum, sum};
}

// Feeds an impulse every 256 samples into both channels and returns, per impulse and
// channel, line 1's delay: the wet arrival's centroid less the one sample by which the
// symmetric three-point blend (weights 0.5 - 0.5h, h, 0.5 - 0.5h) delays it.
std::vector<std::pair<double, double>> lineDelays(ChorusUnit& unit, int impulses) {
    std::vector<std::pair<double, double>> delays;
    std::vector<float> l(256);
    std::vector<float> r(256);
    for (int i = 0; i < impulses; ++i) {
        std::fill(l.begin(), l.end(), 0.0f);
        std::fill(r.begin(), r.end(), 0.0f);
        l[0] = r[0] = 1.0f;
        const ChannelBuffers b = stereo(l.data(), r.data(), 256);
        unit.process(b, b);
        // Sample 0 holds the dry impulse; the wet one ends by 1 + 101 + 2 samples. The offset
        // reaches the output at full size: half dry, half through line 1.
        delays.emplace_back(arrival(l.data(), 1, 256, 1e-7).delay - 1.0,
                            arrival(r.data(), 1, 256, 1e-7).delay - 1.0);
    }
    return delays;
}

}  // namespace

TEST(ChorusUnit, SetupReportsCodesButStillConfigures) {
    ChorusUnit unit;
    float l = 0.5f;
    float r = 0.5f;
    const ChannelBuffers b = stereo(&l, &r, 1);
    EXPECT_EQ(unit.process(b, b), 0);
    EXPECT_EQ(l, 0.5f);
    EXPECT_EQ(unit.setup(3, 3), -1001);
    EXPECT_EQ(unit.setup(3, 2), -1002);  // the later check wins
    EXPECT_EQ(unit.setup(5, 5), -1001);  // runs the record's two channels only
    EXPECT_EQ(unit.process(b, b), 1);
    EXPECT_EQ(unit.setup(2, 1), -1002);
    setCore(unit, 0.0f);  // mix 0: output = input + 1e-7 on both channels
    l = r = 0.5f;
    EXPECT_EQ(unit.process(b, b), 1);
    EXPECT_EQ(l, 0.5f + 1e-7f);
    EXPECT_EQ(r, 0.5f + 1e-7f);
    EXPECT_EQ(unit.setup(2, 2), 0);
}

// Mix 0 without the second tap: wet 0, dry 1, no amplitude modulation, whatever the sweep.
TEST(ChorusUnit, MixZeroGivesTheDryInput) {
    ChorusUnit unit;
    unit.setup(2, 2);
    EXPECT_EQ(unit.setParameters(
                  {0.0f, 3.0f, 40.0f, 5.0f, 2.0f, 30.0f, 50.0f, 80.0f, 0.0f, 0.0f, 90.0f, kFs}),
              0);
    std::vector<float> l = noise(3000, 21);
    std::vector<float> r = noise(3000, 22);
    const std::vector<float> l0 = l;
    const std::vector<float> r0 = r;
    for (size_t n = 0; n < l.size(); n += 256) {
        const int frames = static_cast<int>(std::min<size_t>(256, l.size() - n));
        const ChannelBuffers b = stereo(&l[n], &r[n], frames);
        unit.process(b, b);
    }
    for (size_t n = 0; n < l.size(); ++n) {
        ASSERT_EQ(l[n], l0[n] + 1e-7f);
        ASSERT_EQ(r[n], r0[n] + 1e-7f);
    }
}

// With the core's values line 1's delay is 1 + 100 m samples, m the smoothed |triangle|.
// The 0.001-per-sample smoother lags a triangle of slope 2 * 0.7/44100 per sample by at most
// 0.0317, so over whole cycles the delay stays in [1, 101] and reaches beyond 97.8 and below
// 4.2. At 180 degrees the channels' triangles sum to 1, so once the right channel's smoother
// has caught up from its zero start (0.999^20000 = 2e-9) the two delays sum to 2 + 100 at any
// one time. The two impulses are read up to 100 samples apart while each delay moves by up
// to 100 * 3.2e-5 = 3.2e-3 samples per sample, so the measured sum may differ by 0.32.
TEST(ChorusUnit, CoreSweepRunsBetweenOneAndOneHundredOneSamplesInAntiphase) {
    ChorusUnit unit;
    unit.setup(2, 2);
    EXPECT_EQ(setCore(unit, 100.0f), 0);
    const auto delays = lineDelays(unit, 640);  // 163840 samples: 2.6 cycles of 0.7 Hz
    double lowest = 1e9;
    double highest = -1e9;
    for (size_t i = 0; i < delays.size(); ++i) {
        // 0.02 samples: the sweep moves at most 3.2e-3 samples per sample over the few samples
        // of the response, plus rounding of the removed DC.
        lowest = std::min({lowest, delays[i].first, delays[i].second});
        highest = std::max({highest, delays[i].first, delays[i].second});
        if (i * 256 > 20000) {
            EXPECT_NEAR(delays[i].first + delays[i].second, 102.0, 0.32 + 0.02) << "impulse " << i;
        }
    }
    EXPECT_GE(lowest, 1.0 - 0.02);
    EXPECT_LE(lowest, 4.2);
    EXPECT_LE(highest, 101.0 + 0.02);
    EXPECT_GE(highest, 97.8);
    // Channel 1's oscillator is one unit, half a cycle, from channel 0's.
    const float apart = std::fabs(unit.oscillator1(1) - unit.oscillator1(0));
    EXPECT_NEAR(apart, 1.0f, 1e-4f);  // float sums of 256 increments
}

// With the second tap and mix 0 the ratio is 0 and the output is the dry input re-delayed
// through line 2 by the depth (100 samples) plus the blend's one sample, at unity gain.
TEST(ChorusUnit, SecondTapAtMixZeroDelaysTheDryInputByTheDepth) {
    ChorusUnit unit;
    unit.setup(1, 1);
    unit.setParameters({0.0f, 0.0f, 10.0f, 0.7f, 0.7f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, kFs});
    std::vector<float> x(256, 0.0f);
    x[0] = 1.0f;
    processMono(unit, x);
    EXPECT_EQ(x[0], 0.0f);  // nothing arrives at once, not even the offset
    // Around the arrival the offset (1e-7 from sample 101 on) moves the centroid by < 1e-5.
    const Arrival a = arrival(x.data(), 95, 110, 0.0);
    // The blend's outer weights follow line 1's fraction, which the sweep moves by up to
    // 3.2e-3 per sample, so they differ by up to that much and shift the centroid as far.
    EXPECT_NEAR(a.delay, 101.0, 3.2e-3);
    EXPECT_NEAR(a.weight, 1.0, 1e-5);
}

// Rate-scaled depth: 10 samples per depth unit over rate 1, at most 1500; rate 1 at 0 keeps
// the previous depth.
TEST(ChorusUnit, RateScaledDepthAndFeedbackClamp) {
    ChorusUnit unit;
    unit.setup(2, 2);
    unit.setParameters({50.0f, 0.0f, 10.0f, 2.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 180.0f, kFs});
    EXPECT_EQ(unit.depthSamples(), 50.0f);
    unit.setParameters({50.0f, 0.0f, 40.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 180.0f, kFs});
    EXPECT_EQ(unit.depthSamples(), 50.0f);
    unit.setParameters(
        {50.0f, 0.0f, 100.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 180.0f, kFs});
    EXPECT_EQ(unit.depthSamples(), 1500.0f);

    // Feedback -100 % is clamped to -99 %: same output as -99 %.
    ChorusUnit clamped;
    ChorusUnit edge;
    clamped.setup(1, 1);
    edge.setup(1, 1);
    EXPECT_EQ(clamped.setParameters(
                  {50.0f, 2.0f, 10.0f, 1.0f, 0.0f, 0.0f, -100.0f, 0.0f, 0.0f, 0.0f, 0.0f, kFs}),
              1005);
    EXPECT_EQ(edge.setParameters(
                  {50.0f, 2.0f, 10.0f, 1.0f, 0.0f, 0.0f, -99.0f, 0.0f, 0.0f, 0.0f, 0.0f, kFs}),
              0);
    std::vector<float> a = noise(4000, 31);
    std::vector<float> b = a;
    processMono(clamped, a);
    processMono(edge, b);
    EXPECT_EQ(a, b);
}

TEST(ChorusUnit, ResetClearsTheDelayLines) {
    ChorusUnit used;
    ChorusUnit fresh;
    for (ChorusUnit* unit : {&used, &fresh}) {
        unit->setup(2, 2);
        unit->setParameters(
            {60.0f, 5.0f, 30.0f, 1.5f, 0.3f, 40.0f, 50.0f, 30.0f, 1.0f, 0.0f, 90.0f, kFs});
    }
    std::vector<float> l = noise(5000, 41);
    std::vector<float> r = noise(5000, 42);
    const ChannelBuffers b = stereo(l.data(), r.data(), 5000);
    used.process(b, b);
    used.reset();
    std::vector<float> l1 = noise(3000, 43);
    std::vector<float> r1 = noise(3000, 44);
    std::vector<float> l2 = l1;
    std::vector<float> r2 = r1;
    const ChannelBuffers b1 = stereo(l1.data(), r1.data(), 3000);
    const ChannelBuffers b2 = stereo(l2.data(), r2.data(), 3000);
    used.process(b1, b1);
    fresh.process(b2, b2);
    EXPECT_EQ(l1, l2);
    EXPECT_EQ(r1, r2);
}
