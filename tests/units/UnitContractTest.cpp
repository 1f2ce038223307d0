#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <type_traits>
#include <vector>

#include "ChorusUnit.h"
#include "HighPassCascade.h"
#include "HighShelfBiquad.h"
#include "HighShelfFilter.h"
#include "LowPassCascade.h"
#include "LowShelfBiquad.h"
#include "LowShelfFilter.h"
#include "OutputLevel.h"
#include "OverdriveUnit.h"
#include "PeakingBand.h"
#include "PhaserUnit.h"
#include "TremoloUnit.h"
#include "UnitSignals.h"

using namespace unit_signals;

// The contract every unit keeps: setup codes, in-place, separate and strided buffers, any block
// size, one trajectory for both channels, reset equal to a fresh instance; and for the gliding
// equaliser units the glide itself.
namespace {

constexpr float kRate = 44100.0f;

// The fraction of a glide left after n steps of the exponential glide with time constant T:
// g = 1/(cot v + 1), v = 1/(2 T fs).
double exponentialLeft(double seconds, int n) {
    const double v = 1.0 / (2.0 * seconds * kRate);
    return std::pow(1.0 - 1.0 / (std::cos(v) / std::sin(v) + 1.0), n);
}

// Two parameter sets per unit, the second differing in every value that matters (stereo phase 0:
// both channels run alike). Gliding units add the glide's length at 44100 Hz, a coefficient to
// follow and the fraction of its way left after n samples: linear ramps, exponential glides
// (over 4.6 time constants: 0.092 fs for the first-order shelves, 0.046 fs for the cascades,
// which take one step per section and sample).
template <class U>
struct Traits;
template <>
struct Traits<PeakingBand> {
    static void first(PeakingBand& u) { u.setParameters({1000, 9, 1.5f, 1, kRate}); }
    static void second(PeakingBand& u) { u.setParameters({3000, -6, 0.7f, 1, kRate}); }
    static constexpr int kGlide = 256;
    static double probe(const PeakingBand::Coefficients& k) { return k.b; }
    static double left(int n) { return 1.0 - n / 256.0; }
};
template <class Shelf>
struct FirstOrderShelf {
    static void first(Shelf& u) { u.setParameters({95, -8.5f, 1, kRate}); }
    static void second(Shelf& u) { u.setParameters({3200, 16, 1, kRate}); }
    static constexpr int kGlide = 4057;
    static double probe(const typename Shelf::Coefficients& k) { return k.b; }
    static double left(int n) { return exponentialLeft(0.02, n); }
};
template <>
struct Traits<LowShelfFilter> : FirstOrderShelf<LowShelfFilter> {};
template <>
struct Traits<HighShelfFilter> : FirstOrderShelf<HighShelfFilter> {};
template <class Shelf>
struct Biquad {
    static void first(Shelf& u) { u.setParameters({180, -2.5f, 0.3f, 1, kRate}); }
    static void second(Shelf& u) { u.setParameters({1900, 12, 1.1f, 1, kRate}); }
    static constexpr int kGlide = 500;
    static double probe(const typename Shelf::Coefficients& k) { return k.b0; }
    static double left(int n) { return 1.0 - n / 500.0; }
};
template <>
struct Traits<LowShelfBiquad> : Biquad<LowShelfBiquad> {};
template <>
struct Traits<HighShelfBiquad> : Biquad<HighShelfBiquad> {};
template <class Cascade>
struct Cut {
    static void first(Cascade& u) { u.setParameters({200, 2, 10, kRate}); }
    static void second(Cascade& u) { u.setParameters({800, 5, 10, kRate}); }
    static constexpr int kGlide = 2028;
    static double probe(const typename Cascade::Coefficients& k) { return k.c; }
    static double left(int n) { return exponentialLeft(0.01, 5 * n); }
};
template <>
struct Traits<HighPassCascade> : Cut<HighPassCascade> {};
template <>
struct Traits<LowPassCascade> : Cut<LowPassCascade> {};
template <>
struct Traits<OutputLevel> {
    static void first(OutputLevel& u) { u.setParameters(-17, 0); }
    static void second(OutputLevel& u) { u.setParameters(3, 1); }
};
template <>
struct Traits<TremoloUnit> {
    static void first(TremoloUnit& u) { u.setParameters({60, 6, 50, 40, 0, kRate}); }
    static void second(TremoloUnit& u) { u.setParameters({90, 11, 30, 70, 0, kRate}); }
};
template <>
struct Traits<PhaserUnit> {
    static void first(PhaserUnit& u) {
        u.setParameters({2, 0.5f, 30, 60, 300, 3000, 6, 80, 0, 70, 40, 0, kRate});
    }
    static void second(PhaserUnit& u) {
        u.setParameters({5, 1, 60, 30, 500, 5000, 9, -50, 0, -40, -60, 1, kRate});
    }
};
template <>
struct Traits<ChorusUnit> {
    static void first(ChorusUnit& u) {
        u.setParameters({60, 5, 30, 1.5f, 0.3f, 40, 50, 30, 1, 0, 0, kRate});
    }
    static void second(ChorusUnit& u) {
        u.setParameters({40, 2, 60, 3, 1, 70, -40, 10, 0, 0, 0, kRate});
    }
};
template <>
struct Traits<OverdriveUnit> {
    static void first(OverdriveUnit& u) { u.setParameters({10, 3000, 0, kRate}); }
    static void second(OverdriveUnit& u) { u.setParameters({30, 8000, -6, kRate}); }
};

// The modulation units that report a bad channel count but configure themselves all the same.
template <class U>
constexpr bool kLenientSetup = std::is_same_v<U, PhaserUnit> || std::is_same_v<U, ChorusUnit>;

template <class U>
std::unique_ptr<U> made(int channels, bool secondSet = false) {
    auto u = std::make_unique<U>();
    EXPECT_EQ(u->setup(channels, channels), 0);
    Traits<U>::first(*u);
    if (secondSet) {
        Traits<U>::second(*u);
    }
    return u;
}

template <class U>
class UnitContract : public ::testing::Test {};
using Units = ::testing::Types<PeakingBand, LowShelfFilter, HighShelfFilter, LowShelfBiquad,
                               HighShelfBiquad, OutputLevel, HighPassCascade, LowPassCascade,
                               TremoloUnit, PhaserUnit, ChorusUnit, OverdriveUnit>;
TYPED_TEST_SUITE(UnitContract, Units);

template <class U>
class GlideContract : public ::testing::Test {};
using GlidingUnits = ::testing::Types<PeakingBand, LowShelfFilter, HighShelfFilter, LowShelfBiquad,
                                      HighShelfBiquad, HighPassCascade, LowPassCascade>;
TYPED_TEST_SUITE(GlideContract, GlidingUnits);

}  // namespace

TYPED_TEST(UnitContract, SetupAnswersChannelCodes) {
    TypeParam unit;
    // Without a setup process touches nothing and answers 0.
    std::vector<float> x(64, 7.0f);
    const ChannelBuffers b = mono(x.data(), 64);
    EXPECT_EQ(unit.process(b, b), 0);
    EXPECT_EQ(x, std::vector<float>(64, 7.0f));
    EXPECT_EQ(unit.setup(0, 0), -1001);
    EXPECT_EQ(unit.setup(1, 2), -1002);
    // A bad count with a mismatch: the strict units check the count first, the lenient ones
    // answer the later check.
    EXPECT_EQ(unit.setup(3, 1), kLenientSetup<TypeParam> ? -1002 : -1001);
    if constexpr (kLenientSetup<TypeParam>) {
        EXPECT_EQ(unit.setup(2, 1), -1002);  // configured for two channels all the same
        EXPECT_EQ(unit.inputChannels(), 2);
        EXPECT_EQ(unit.process(b, b), 64);
    } else {
        EXPECT_EQ(unit.inputChannels(), 0);
        EXPECT_EQ(unit.process(b, b), 0);
        // After a successful setup a failing one keeps the counts and the state.
        auto used = made<TypeParam>(2);
        auto twin = made<TypeParam>(2);
        std::vector<float> l1 = noise(300, 4), r1 = noise(300, 5), l2 = l1, r2 = r1;
        processStereo(*used, l1, r1);
        processStereo(*twin, l2, r2);
        EXPECT_EQ(used->setup(4, 4), -1001);
        EXPECT_EQ(used->setup(2, 1), -1002);
        EXPECT_EQ(used->inputChannels(), 2);
        l1 = l2 = noise(300, 6);
        r1 = r2 = noise(300, 7);
        processStereo(*used, l1, r1);
        processStereo(*twin, l2, r2);
        EXPECT_EQ(l1, l2);
        EXPECT_EQ(r1, r2);
    }
}

// While a change settles, channel 1 follows the trajectory channel 0 started the block with:
// identical inputs give identical outputs, both equal to the mono unit's.
TYPED_TEST(UnitContract, ChannelsFollowOneTrajectory) {
    auto pair = made<TypeParam>(2);
    auto single = made<TypeParam>(1);
    std::vector<float> warmL(64, 0.2f), warmR = warmL, warmM = warmL;
    processStereo(*pair, warmL, warmR);
    processMono(*single, warmM);
    Traits<TypeParam>::second(*pair);
    Traits<TypeParam>::second(*single);
    std::vector<float> left = noise(5000, 8), right = left, alone = left;
    processStereo(*pair, left, right);
    processMono(*single, alone);
    EXPECT_EQ(left, right);
    EXPECT_EQ(left, alone);
}

// In place, into separate buffers, over interleaved frames (stride 2) and in blocks of 7 frames:
// the same output, and the input of a separate record untouched.
TYPED_TEST(UnitContract, BuffersAndBlockSizesDoNotChangeTheOutput) {
    const std::vector<float> left = noise(1000, 9), right = noise(1000, 10);
    auto inPlace = made<TypeParam>(2, true);
    std::vector<float> l = left, r = right;
    processStereo(*inPlace, l, r, 1000);

    auto separate = made<TypeParam>(2, true);
    std::vector<float> inL = left, inR = right, outL(1000), outR(1000);
    EXPECT_EQ(separate->process(stereo(inL.data(), inR.data(), 1000),
                                stereo(outL.data(), outR.data(), 1000)),
              1000);
    EXPECT_EQ(inL, left);
    EXPECT_EQ(outL, l);
    EXPECT_EQ(outR, r);

    auto pieces = made<TypeParam>(2, true);
    std::vector<float> pl = left, pr = right;
    processStereo(*pieces, pl, pr, 7);
    EXPECT_EQ(pl, l);
    EXPECT_EQ(pr, r);

    auto strided = made<TypeParam>(2, true);
    std::vector<float> frames(2000);
    for (size_t i = 0; i < 1000; ++i) {
        frames[2 * i] = left[i];
        frames[2 * i + 1] = right[i];
    }
    ChannelBuffers b;
    b[0] = {frames.data(), 2, 1000};
    b[1] = {frames.data() + 1, 2, 1000};
    strided->process(b, b);
    for (size_t i = 0; i < 1000; ++i) {
        ASSERT_EQ(frames[2 * i], l[i]) << i;
        ASSERT_EQ(frames[2 * i + 1], r[i]) << i;
    }
    // A null sample pointer makes the kernel run for no frames instead of crashing.
    b[0] = {nullptr, 1, 64};
    b[1] = {nullptr, 1, 64};
    EXPECT_EQ(strided->process(b, b), 64);
}

// Reset zeroes the state and the block counter but keeps the coefficients: the unit then
// behaves exactly like a fresh one set up with the same values.
TYPED_TEST(UnitContract, ResetEqualsFreshInstance) {
    auto used = made<TypeParam>(2);
    auto fresh = made<TypeParam>(2);
    std::vector<float> l = noise(3000, 11), r = noise(3000, 12);
    processStereo(*used, l, r);
    used->reset();
    EXPECT_EQ(used->blockCount(), 0);
    std::vector<float> l1 = noise(3000, 13), r1 = noise(3000, 14), l2 = l1, r2 = r1;
    processStereo(*used, l1, r1);
    processStereo(*fresh, l2, r2);
    EXPECT_EQ(l1, l2);
    EXPECT_EQ(r1, r2);
}

// A change before any audio (or after reset) applies at once; after audio it glides for the
// unit's length, following its law, lands exactly on the target, and the same values passed
// again restart nothing. Tolerance 1e-3 of the span: at most a few thousand single-precision
// steps, each rounding by 6e-8 of a coefficient no larger than the span here.
TYPED_TEST(GlideContract, AChangeGlidesForItsLengthThenLandsOnTheTarget) {
    using T = Traits<TypeParam>;
    TypeParam unit;
    ASSERT_EQ(unit.setup(1, 1), 0);
    T::first(unit);
    const auto& k = unit.coefficients();
    EXPECT_EQ(k.left, 0);
    std::vector<float> x(64, 0.1f);
    processMono(unit, x);
    const double start = T::probe(k.current);
    T::second(unit);
    ASSERT_EQ(k.left, T::kGlide);
    const double target = T::probe(k.target);
    const int half = T::kGlide / 2;
    x.assign(static_cast<size_t>(half), 0.1f);
    processMono(unit, x, 100);
    EXPECT_NEAR((target - T::probe(k.current)) / (target - start), T::left(half), 1e-3);
    T::second(unit);
    EXPECT_EQ(k.left, T::kGlide - half);
    x.assign(static_cast<size_t>(T::kGlide - half - 1), 0.1f);
    processMono(unit, x, 100);
    EXPECT_EQ(k.left, 1);
    EXPECT_NE(T::probe(k.current), target);
    x.assign(1, 0.1f);
    processMono(unit, x);
    EXPECT_EQ(k.left, 0);
    EXPECT_EQ(std::memcmp(&k.current, &k.target, sizeof k.current), 0);
    unit.reset();
    T::first(unit);
    EXPECT_EQ(k.left, 0);
}
