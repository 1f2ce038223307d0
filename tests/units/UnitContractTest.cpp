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

// Two parameter sets per unit family, the second differing in every value that matters (stereo
// phase 0: both channels run alike).
void apply(PeakingBand& u, int set) {
    const PeakingBand::Settings sets[] = {{1000, 9, 1.5f, 1, kRate}, {3000, -6, 0.7f, 1, kRate}};
    u.setParameters(sets[set]);
}
void apply(ShelfFilter& u, int set) {
    const ShelfFilter::Settings sets[] = {{95, -8.5f, 1, kRate}, {3200, 16, 1, kRate}};
    u.setParameters(sets[set]);
}
void apply(ShelfBiquad& u, int set) {
    const ShelfBiquad::Settings sets[] = {{180, -2.5f, 0.3f, 1, kRate}, {1900, 12, 1.1f, 1, kRate}};
    u.setParameters(sets[set]);
}
void apply(CutCascade& u, int set) {
    const CutCascade::Settings sets[] = {{200, 2, 10, kRate}, {800, 5, 10, kRate}};
    u.setParameters(sets[set]);
}
void apply(OutputLevel& u, int set) {
    u.setParameters(set == 0 ? -17.0f : 3.0f, set);
}
void apply(TremoloUnit& u, int set) {
    const TremoloUnit::Settings sets[] = {{60, 6, 50, 40, 0, kRate}, {90, 11, 30, 70, 0, kRate}};
    u.setParameters(sets[set]);
}
void apply(PhaserUnit& u, int set) {
    const PhaserUnit::Settings sets[] = {{2, 0.5f, 30, 60, 300, 3000, 6, 80, 0, 70, 40, 0, kRate},
                                         {5, 1, 60, 30, 500, 5000, 9, -50, 0, -40, -60, 1, kRate}};
    u.setParameters(sets[set]);
}
void apply(ChorusUnit& u, int set) {
    const ChorusUnit::Settings sets[] = {{60, 5, 30, 1.5f, 0.3f, 40, 50, 30, 1, 0, 0, kRate},
                                         {40, 2, 60, 3, 1, 70, -40, 10, 0, 0, 0, kRate}};
    u.setParameters(sets[set]);
}
void apply(OverdriveUnit& u, int set) {
    const OverdriveUnit::Settings sets[] = {{10, 3000, 0, kRate}, {30, 8000, -6, kRate}};
    u.setParameters(sets[set]);
}

// A gliding unit's glide from the first set to the second: its length at 44100 Hz, and a linear
// ramp (T = 0) or an exponential glide with time constant T over 4.6 T (0.092 fs for the
// first-order shelves, 0.046 fs for the cascades, which take one step per section and sample).
struct GlideLaw {
    int length;
    double seconds;
    int stepsPerSample;
};
GlideLaw glideOf(const PeakingBand&) {
    return {256, 0.0, 1};
}
GlideLaw glideOf(const ShelfBiquad&) {
    return {500, 0.0, 1};
}
GlideLaw glideOf(const ShelfFilter&) {
    return {4057, 0.02, 1};
}
GlideLaw glideOf(const CutCascade&) {
    return {2028, 0.01, 5};
}

// The fraction of the way left after n samples; an exponential step is g = 1/(cot v + 1),
// v = 1/(2 T fs).
double fractionLeft(const GlideLaw& law, int n) {
    if (law.seconds == 0.0) {
        return 1.0 - static_cast<double>(n) / law.length;
    }
    const double v = 1.0 / (2.0 * law.seconds * kRate);
    return std::pow(1.0 - 1.0 / (std::cos(v) / std::sin(v) + 1.0), law.stepsPerSample * n);
}

// The leading coefficient of a set, the one a glide is followed by.
double leading(const auto& k) {
    if constexpr (requires { k.b0; }) {
        return k.b0;
    } else if constexpr (requires { k.c; }) {
        return k.c;
    } else {
        return k.b;
    }
}

// The modulation units that report a bad channel count but configure themselves all the same.
template <class U>
constexpr bool kLenientSetup = std::is_same_v<U, PhaserUnit> || std::is_same_v<U, ChorusUnit>;

template <class U>
std::unique_ptr<U> made(int channels, bool secondSet = false) {
    auto u = std::make_unique<U>();
    EXPECT_EQ(u->setup(channels, channels), 0);
    apply(*u, 0);
    if (secondSet) {
        apply(*u, 1);
    }
    return u;
}

// Runs the same stereo noise through both units and expects the same output.
template <class U>
void expectSameOutput(U& a, U& b, unsigned seed) {
    std::vector<float> l1 = noise(3000, seed), r1 = noise(3000, seed + 1), l2 = l1, r2 = r1;
    processStereo(a, l1, r1);
    processStereo(b, l2, r2);
    EXPECT_EQ(l1, l2);
    EXPECT_EQ(r1, r2);
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
    }
}

// After a successful setup a failing one keeps the counts and the state; reset zeroes the state
// and the block counter but keeps the coefficients: the unit then behaves exactly like a fresh
// one set up with the same values.
TYPED_TEST(UnitContract, FailedSetupKeepsAndResetClearsTheState) {
    auto used = made<TypeParam>(2);
    auto twin = made<TypeParam>(2);
    expectSameOutput(*used, *twin, 4);
    if constexpr (!kLenientSetup<TypeParam>) {
        EXPECT_EQ(used->setup(4, 4), -1001);
        EXPECT_EQ(used->setup(2, 1), -1002);
        EXPECT_EQ(used->inputChannels(), 2);
        expectSameOutput(*used, *twin, 6);
    }
    used->reset();
    EXPECT_EQ(used->blockCount(), 0);
    expectSameOutput(*used, *made<TypeParam>(2), 13);
}

// While a change settles, channel 1 follows the trajectory channel 0 started the block with:
// identical inputs give identical outputs, both equal to the mono unit's.
TYPED_TEST(UnitContract, ChannelsFollowOneTrajectory) {
    auto pair = made<TypeParam>(2);
    auto single = made<TypeParam>(1);
    std::vector<float> warmL(64, 0.2f), warmR = warmL, warmM = warmL;
    processStereo(*pair, warmL, warmR);
    processMono(*single, warmM);
    apply(*pair, 1);
    apply(*single, 1);
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

// A change before any audio (or after reset) applies at once; after audio it glides for the
// unit's length, following its law, lands exactly on the target, and the same values passed
// again restart nothing. Tolerance 1e-3 of the span: at most a few thousand single-precision
// steps, each rounding by 6e-8 of a coefficient no larger than the span here.
TYPED_TEST(GlideContract, AChangeGlidesForItsLengthThenLandsOnTheTarget) {
    TypeParam unit;
    const GlideLaw law = glideOf(unit);
    ASSERT_EQ(unit.setup(1, 1), 0);
    apply(unit, 0);
    const auto& k = unit.coefficients();
    EXPECT_EQ(k.left, 0);
    std::vector<float> x(64, 0.1f);
    processMono(unit, x);
    const double start = leading(k.current);
    apply(unit, 1);
    ASSERT_EQ(k.left, law.length);
    const double target = leading(k.target);
    const int half = law.length / 2;
    x.assign(static_cast<size_t>(half), 0.1f);
    processMono(unit, x, 100);
    EXPECT_NEAR((target - leading(k.current)) / (target - start), fractionLeft(law, half), 1e-3);
    apply(unit, 1);
    EXPECT_EQ(k.left, law.length - half);
    x.assign(static_cast<size_t>(law.length - half - 1), 0.1f);
    processMono(unit, x, 100);
    EXPECT_EQ(k.left, 1);
    EXPECT_NE(leading(k.current), target);
    x.assign(1, 0.1f);
    processMono(unit, x);
    EXPECT_EQ(k.left, 0);
    EXPECT_EQ(std::memcmp(&k.current, &k.target, sizeof k.current), 0);
    unit.reset();
    apply(unit, 0);
    EXPECT_EQ(k.left, 0);
}
