#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "HighPassCascade.h"
#include "HighShelfBiquad.h"
#include "HighShelfFilter.h"
#include "LowPassCascade.h"
#include "LowShelfBiquad.h"
#include "LowShelfFilter.h"
#include "OutputLevel.h"
#include "PeakingBand.h"
#include "UnitSignals.h"

using namespace unit_signals;

// The contract every equaliser unit keeps: setup checks, in-place and strided buffers, one
// coefficient trajectory for both channels, reset equal to a fresh instance.
namespace {

constexpr float kRate = 44100.0f;

// Two parameter sets per unit; the second differs in every value that matters.
template <class U>
struct Settings;
template <>
struct Settings<PeakingBand> {
    static void first(PeakingBand& u) { u.setParameters({1000, 9, 1.5f, 1, kRate}); }
    static void second(PeakingBand& u) { u.setParameters({3000, -6, 0.7f, 1, kRate}); }
};
template <>
struct Settings<LowShelfFilter> {
    static void first(LowShelfFilter& u) { u.setParameters({95, -8.5f, 1, kRate}); }
    static void second(LowShelfFilter& u) { u.setParameters({400, 10, 1, kRate}); }
};
template <>
struct Settings<HighShelfFilter> {
    static void first(HighShelfFilter& u) { u.setParameters({3200, 16, 1, kRate}); }
    static void second(HighShelfFilter& u) { u.setParameters({1000, -12, 1, kRate}); }
};
template <>
struct Settings<LowShelfBiquad> {
    static void first(LowShelfBiquad& u) { u.setParameters({180, -2.5f, 0.3f, 1, kRate}); }
    static void second(LowShelfBiquad& u) { u.setParameters({600, 12, 1, 1, kRate}); }
};
template <>
struct Settings<HighShelfBiquad> {
    static void first(HighShelfBiquad& u) { u.setParameters({1900, 4, 1.1f, 1, kRate}); }
    static void second(HighShelfBiquad& u) { u.setParameters({6000, -15, 0.5f, 1, kRate}); }
};
template <>
struct Settings<OutputLevel> {
    static void first(OutputLevel& u) { u.setParameters(-17, 0); }
    static void second(OutputLevel& u) { u.setParameters(3, 0); }
};
template <>
struct Settings<HighPassCascade> {
    static void first(HighPassCascade& u) { u.setParameters({95, 2, 10, kRate}); }
    static void second(HighPassCascade& u) { u.setParameters({400, 5, 10, kRate}); }
};
template <>
struct Settings<LowPassCascade> {
    static void first(LowPassCascade& u) { u.setParameters({3200, 3, 10, kRate}); }
    static void second(LowPassCascade& u) { u.setParameters({900, 8, 10, kRate}); }
};

template <class U>
class UnitContract : public ::testing::Test {};

using Units = ::testing::Types<PeakingBand, LowShelfFilter, HighShelfFilter, LowShelfBiquad,
                               HighShelfBiquad, OutputLevel, HighPassCascade, LowPassCascade>;
TYPED_TEST_SUITE(UnitContract, Units);

// Runs a stereo unit over left/right in blocks of `block` frames; in place.
template <class U>
void processStereo(U& unit, std::vector<float>& left, std::vector<float>& right, size_t block) {
    for (size_t start = 0; start < left.size(); start += block) {
        const int n = static_cast<int>(std::min(block, left.size() - start));
        const ChannelBuffers b = stereo(left.data() + start, right.data() + start, n);
        EXPECT_EQ(unit.process(b, b), n);
    }
}

}  // namespace

TYPED_TEST(UnitContract, SetupRejectsBadChannelCountsBeforeTouchingAnything) {
    TypeParam unit;
    EXPECT_EQ(unit.setup(0, 0), -1001);
    EXPECT_EQ(unit.setup(3, 3), -1001);
    EXPECT_EQ(unit.setup(3, 1), -1001);  // the count check comes first
    EXPECT_EQ(unit.setup(1, 2), -1002);
    EXPECT_EQ(unit.setup(2, 1), -1002);
    EXPECT_EQ(unit.inputChannels(), 0);

    // Without a successful setup process touches nothing and answers 0.
    Settings<TypeParam>::first(unit);
    std::vector<float> in = noise(64, 3);
    std::vector<float> out(64, 7.0f);
    const ChannelBuffers a = mono(in.data(), 64);
    const ChannelBuffers b = mono(out.data(), 64);
    EXPECT_EQ(unit.process(a, b), 0);
    EXPECT_EQ(out, std::vector<float>(64, 7.0f));

    // After a successful setup a failing one keeps the counts and the state. (Fresh units: the
    // parameter cache survives setup while the coefficients do not, so `unit` would keep zero
    // coefficients for the same values again.)
    TypeParam used, twin;
    for (TypeParam* u : {&used, &twin}) {
        ASSERT_EQ(u->setup(2, 2), 0);
        Settings<TypeParam>::first(*u);
    }
    std::vector<float> l1 = noise(300, 4), r1 = noise(300, 5);
    std::vector<float> l2 = l1, r2 = r1;
    processStereo(used, l1, r1, 256);
    processStereo(twin, l2, r2, 256);
    EXPECT_EQ(used.setup(4, 4), -1001);
    EXPECT_EQ(used.setup(2, 1), -1002);
    EXPECT_EQ(used.inputChannels(), 2);
    l1 = l2 = noise(300, 6);
    r1 = r2 = noise(300, 7);
    processStereo(used, l1, r1, 256);
    processStereo(twin, l2, r2, 256);
    EXPECT_EQ(l1, l2);
    EXPECT_EQ(r1, r2);
}

TYPED_TEST(UnitContract, CountsOneKernelCallPerChannel) {
    TypeParam unit;
    ASSERT_EQ(unit.setup(2, 2), 0);
    Settings<TypeParam>::first(unit);
    std::vector<float> l(100, 0.1f), r(100, 0.1f);
    processStereo(unit, l, r, 100);
    EXPECT_EQ(unit.blockCount(), 2);
    TypeParam monoUnit;
    ASSERT_EQ(monoUnit.setup(1, 1), 0);
    processMono(monoUnit, l, 60);
    EXPECT_EQ(monoUnit.blockCount(), 2);
    monoUnit.reset();
    EXPECT_EQ(monoUnit.blockCount(), 0);
}

// While a change glides, channel 1 restores the coefficients channel 0 started the block with:
// identical inputs give identical outputs, and both equal the mono unit's output.
TYPED_TEST(UnitContract, ChannelsFollowOneTrajectory) {
    TypeParam pair;
    TypeParam single;
    ASSERT_EQ(pair.setup(2, 2), 0);
    ASSERT_EQ(single.setup(1, 1), 0);
    std::vector<float> warm(64, 0.2f);
    std::vector<float> warmL = warm, warmR = warm, warmM = warm;
    Settings<TypeParam>::first(pair);
    Settings<TypeParam>::first(single);
    processStereo(pair, warmL, warmR, 64);
    processMono(single, warmM, 64);
    Settings<TypeParam>::second(pair);
    Settings<TypeParam>::second(single);

    std::vector<float> left = noise(5000, 8);
    std::vector<float> right = left;
    std::vector<float> alone = left;
    processStereo(pair, left, right, 256);
    processMono(single, alone, 256);
    EXPECT_EQ(left, right);
    EXPECT_EQ(left, alone);
}

// Processing in place, into separate buffers, and over interleaved frames (stride 2) agree.
TYPED_TEST(UnitContract, InPlaceSeparateAndStridedBuffersAgree) {
    TypeParam inPlace, separate, strided;
    for (TypeParam* u : {&inPlace, &separate, &strided}) {
        ASSERT_EQ(u->setup(2, 2), 0);
        Settings<TypeParam>::first(*u);
    }
    const std::vector<float> left = noise(256, 9);
    const std::vector<float> right = noise(256, 10);

    std::vector<float> l = left, r = right;
    processStereo(inPlace, l, r, 256);

    std::vector<float> inL = left, inR = right, outL(256), outR(256);
    EXPECT_EQ(separate.process(stereo(inL.data(), inR.data(), 256),
                               stereo(outL.data(), outR.data(), 256)),
              256);
    EXPECT_EQ(inL, left);
    EXPECT_EQ(outL, l);
    EXPECT_EQ(outR, r);

    std::vector<float> frames(512);
    for (size_t i = 0; i < 256; ++i) {
        frames[2 * i] = left[i];
        frames[2 * i + 1] = right[i];
    }
    ChannelBuffers b;
    b[0] = {frames.data(), 2, 256};
    b[1] = {frames.data() + 1, 2, 256};
    strided.process(b, b);
    for (size_t i = 0; i < 256; ++i) {
        ASSERT_EQ(frames[2 * i], l[i]) << i;
        ASSERT_EQ(frames[2 * i + 1], r[i]) << i;
    }
}

// Reset zeroes the state (and block counter) but keeps the coefficients: the unit then
// behaves exactly like a fresh one set up with the same values.
TYPED_TEST(UnitContract, ResetEqualsFreshInstance) {
    TypeParam used, fresh;
    ASSERT_EQ(used.setup(2, 2), 0);
    ASSERT_EQ(fresh.setup(2, 2), 0);
    Settings<TypeParam>::first(used);
    Settings<TypeParam>::first(fresh);
    std::vector<float> l = noise(3000, 11), r = noise(3000, 12);
    processStereo(used, l, r, 256);
    used.reset();

    std::vector<float> l1 = noise(3000, 13), r1 = noise(3000, 14);
    std::vector<float> l2 = l1, r2 = r1;
    processStereo(used, l1, r1, 256);
    processStereo(fresh, l2, r2, 256);
    EXPECT_EQ(l1, l2);
    EXPECT_EQ(r1, r2);
}

// A null sample pointer makes the kernel run for no frames instead of crashing.
TYPED_TEST(UnitContract, MissingSamplePointerIsSkipped) {
    TypeParam unit;
    ASSERT_EQ(unit.setup(1, 1), 0);
    Settings<TypeParam>::first(unit);
    ChannelBuffers b;
    b[0] = {nullptr, 1, 64};
    EXPECT_EQ(unit.process(b, b), 64);
}

namespace {

// Sets a mono unit up at 44100 Hz, runs it, then hands it only a new rate: the coefficients
// change at once and give `dB` at the corner (at most 0.49 fs).
template <class U>
void expectNewRate(typename U::Settings settings, float corner, double dB) {
    for (const float fs : {8000.0f, 48000.0f, 96000.0f, 192000.0f}) {
        U unit;
        ASSERT_EQ(unit.setup(1, 1), 0);
        settings.sampleRate = kRate;
        unit.setParameters(settings);
        std::vector<float> x(64, 0.1f);
        processMono(unit, x);
        settings.sampleRate = fs;
        unit.setParameters(settings);
        EXPECT_EQ(unit.coefficients().left, 0) << fs;
        EXPECT_NEAR(sineGainDb(unit, std::min(corner, 0.49f * fs), fs), dB, 0.002) << fs;
    }
}

// |1 + (A - 1)/(1 + j)|: a first-order shelf at its corner.
double firstOrderShelfDb(double dB) {
    const double m = std::pow(10.0, dB / 20.0) - 1.0;
    return toDb(std::hypot(1.0 + 0.5 * m, 0.5 * m));
}

}  // namespace

// A new rate alone recomputes at once (no glide, though the unit has run) and keeps the response
// in hertz. Prewarped to its corner, each unit's gain there is the analogue one at every rate:
// A for the band, sqrt A (half the gain in dB) for the cookbook shelves, |1 + (A - 1)/(1 + j)|
// for the first-order shelves, 1/sqrt 2 (-3.0103 dB) for a single cut section. A corner above
// 0.49 fs (here only at 8000 Hz) moves down to 0.49 fs. Tolerance 0.002 dB as in the units'
// response tests: single-precision coefficients move even a 95 Hz corner at 192 kHz (poles
// 3e-3 from the unit circle) by < 1e-4 relative, 1e-3 dB.
TEST(UnitRates, ANewRateAloneRecomputesAtOnceAndKeepsTheResponse) {
    const double halfPower = -10.0 * std::log10(2.0);
    expectNewRate<PeakingBand>({1000, 9, 1.5f, 1, kRate}, 1000, 9.0);
    expectNewRate<PeakingBand>({20000, -6, 0.7f, 1, kRate}, 20000, -6.0);
    expectNewRate<LowShelfBiquad>({600, 12, 1, 1, kRate}, 600, 6.0);
    expectNewRate<HighShelfBiquad>({6000, -15, 0.5f, 1, kRate}, 6000, -7.5);
    expectNewRate<LowShelfFilter>({400, 10, 1, kRate}, 400, firstOrderShelfDb(10));
    expectNewRate<HighShelfFilter>({3200, 16, 1, kRate}, 3200, firstOrderShelfDb(16));
    expectNewRate<HighPassCascade>({95, 1, 10, kRate}, 95, halfPower);
    expectNewRate<LowPassCascade>({20000, 1, 10, kRate}, 20000, halfPower);
}
