#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "EffectsChain.h"
#include "UnitSignals.h"

using namespace unit_signals;

namespace {

using Values = float[EffectsChain::kValueCount];

// The instrument's voicing set 0 as the engine core hands it over at 44100 Hz.
void setZero(Values& v) {
    const float set0[EffectsChain::kValueCount] = {
        -8.5f, -2.5f, -2, 4, 16, 95, 180, 480, 1900, 3200, 2, 0.3f, 0.85f,
        1.1f,  3,     1,  1, 1,  1,  1,   0,   0,    1,    0, -17,  44100};
    std::memcpy(v, set0, sizeof set0);
}

template <class Set>
bool same(const Set& a, const Set& b) {
    return std::memcmp(&a, &b, sizeof(Set)) == 0;
}

void processChain(EffectsChain& chain, std::vector<float>& left, std::vector<float>& right) {
    const ChannelBuffers b = stereo(left.data(), right.data(), static_cast<int>(left.size()));
    EXPECT_EQ(chain.process(b, b), 0);
}

template <class U>
void processUnit(U& unit, std::vector<float>& left, std::vector<float>& right) {
    const ChannelBuffers b = stereo(left.data(), right.data(), static_cast<int>(left.size()));
    unit.process(b, b);
}

// True when the unit is not gliding and uses its target set.
template <class U>
bool settled(const U& unit) {
    const auto& k = unit.coefficients();
    return k.left == 0 && same(k.current, k.target);
}

}  // namespace

// Set 0 runs band1 (480 Hz, -2 dB, Q 0.85), lowShelf (95 Hz, -8.5 dB), band2 (180 Hz, -2.5 dB,
// Q 0.3), highShelfBiquad (1900 Hz, +4 dB, slope 1.1), highShelf (3200 Hz, +16 dB) and
// outputLevel (-17 dB) in that order: the chain's output equals those six units run one after
// the other, bit for bit, also across a change that glides.
TEST(EffectsChain, VoicingSetZeroRunsSixUnitsInOrder) {
    EffectsChain chain;
    ASSERT_EQ(chain.setup(2, 2), 0);
    Values v;
    setZero(v);
    EXPECT_EQ(chain.configure(v), 0);
    EXPECT_TRUE(chain.stage2IsOn() && chain.stage3IsOn() && chain.stage4IsOn());
    EXPECT_TRUE(chain.stage5IsOn() && chain.stage6IsOn());
    EXPECT_FALSE(chain.stage2AltOn() || chain.stage3AltOn() || chain.stage5AltOn());
    EXPECT_TRUE(chain.stage4AltOn());

    PeakingBand band1, band2;
    LowShelfFilter lowShelf;
    HighShelfBiquad highShelfBiquad;
    HighShelfFilter highShelf;
    OutputLevel outputLevel;
    band1.setup(2, 2);
    band2.setup(2, 2);
    lowShelf.setup(2, 2);
    highShelfBiquad.setup(2, 2);
    highShelf.setup(2, 2);
    outputLevel.setup(2, 2);
    band1.setParameters({480, -2, 0.85f, 1, 44100});
    lowShelf.setParameters({95, -8.5f, 1, 44100});
    band2.setParameters({180, -2.5f, 0.3f, 1, 44100});
    highShelfBiquad.setParameters({1900, 4, 1.1f, 1, 44100});
    highShelf.setParameters({3200, 16, 1, 44100});
    outputLevel.setParameters(-17, 0);

    auto reference = [&](std::vector<float>& l, std::vector<float>& r) {
        processUnit(band1, l, r);
        processUnit(lowShelf, l, r);
        processUnit(band2, l, r);
        processUnit(highShelfBiquad, l, r);
        processUnit(highShelf, l, r);
        processUnit(outputLevel, l, r);
    };
    for (int block = 0; block < 40; ++block) {
        if (block == 20) {  // stage 2 gain and output level change: both glide
            v[0] = -4.0f;
            v[24] = -12.0f;
            chain.configure(v);
            lowShelf.setParameters({95, -4, 1, 44100});
            outputLevel.setParameters(-12, 0);
        }
        std::vector<float> l = noise(256, 100 + block), r = noise(256, 200 + block);
        std::vector<float> refL = l, refR = r;
        processChain(chain, l, r);
        reference(refL, refR);
        ASSERT_EQ(l, refL) << block;
        ASSERT_EQ(r, refR) << block;
    }
    // Only the six ran (two kernel calls per block each, saturating nothing here).
    EXPECT_GT(chain.band1Unit().blockCount(), 0);
    EXPECT_GT(chain.lowShelfUnit().blockCount(), 0);
    EXPECT_GT(chain.band2Unit().blockCount(), 0);
    EXPECT_GT(chain.highShelfBiquadUnit().blockCount(), 0);
    EXPECT_GT(chain.highShelfUnit().blockCount(), 0);
    EXPECT_GT(chain.outputLevelUnit().blockCount(), 0);
    EXPECT_EQ(chain.highPassUnit().blockCount(), 0);
    EXPECT_EQ(chain.lowShelfBiquadUnit().blockCount(), 0);
    EXPECT_EQ(chain.band3Unit().blockCount(), 0);
    EXPECT_EQ(chain.lowPassUnit().blockCount(), 0);
}

// Every configure hands its values to all ten units, running or not.
TEST(EffectsChain, RoutesEveryValueToItsUnits) {
    EffectsChain chain;
    ASSERT_EQ(chain.setup(1, 1), 0);
    const Values v = {-5,   3, -4, 6, -7, 110, 250, 700, 2500, 6000, 3, 0.9f, 1.3f,
                      0.8f, 5, 1,  1, 1,  1,   1,   0,   0,    0,    0, -3,   48000};
    chain.configure(v);

    LowShelfFilter lowShelf;
    HighPassCascade highPass;
    PeakingBand band2, band1, band3;
    LowShelfBiquad lowShelfBiquad;
    HighShelfBiquad highShelfBiquad;
    HighShelfFilter highShelf;
    LowPassCascade lowPass;
    lowShelf.setParameters({110, -5, 1, 48000});
    highPass.setParameters({110, 3, 10, 48000});
    band2.setParameters({250, 3, 0.9f, 1, 48000});
    lowShelfBiquad.setParameters({250, 3, 0.9f, 1, 48000});
    band1.setParameters({700, -4, 1.3f, 1, 48000});
    band3.setParameters({2500, 6, 0.8f, 1, 48000});
    highShelfBiquad.setParameters({2500, 6, 0.8f, 1, 48000});
    highShelf.setParameters({6000, -7, 1, 48000});
    lowPass.setParameters({6000, 5, 10, 48000});

    EXPECT_TRUE(same(chain.lowShelfUnit().coefficients().current, lowShelf.coefficients().current));
    EXPECT_TRUE(same(chain.highPassUnit().coefficients().current, highPass.coefficients().current));
    EXPECT_EQ(chain.highPassUnit().sections(), 3);
    EXPECT_TRUE(same(chain.band2Unit().coefficients().current, band2.coefficients().current));
    EXPECT_TRUE(same(chain.lowShelfBiquadUnit().coefficients().current,
                     lowShelfBiquad.coefficients().current));
    EXPECT_TRUE(same(chain.band1Unit().coefficients().current, band1.coefficients().current));
    EXPECT_TRUE(same(chain.band3Unit().coefficients().current, band3.coefficients().current));
    EXPECT_TRUE(same(chain.highShelfBiquadUnit().coefficients().current,
                     highShelfBiquad.coefficients().current));
    EXPECT_TRUE(
        same(chain.highShelfUnit().coefficients().current, highShelf.coefficients().current));
    EXPECT_TRUE(same(chain.lowPassUnit().coefficients().current, lowPass.coefficients().current));
    EXPECT_EQ(chain.lowPassUnit().sections(), 5);
    EXPECT_FLOAT_EQ(chain.outputLevelUnit().targetGain(0), 0.70794578f);  // 10^(-3/20)
    EXPECT_FLOAT_EQ(chain.outputLevelUnit().targetGain(1), 0.70794578f);
}

TEST(EffectsChain, StageSwitchesAndSelects) {
    EffectsChain chain;
    ASSERT_EQ(chain.setup(2, 2), 0);
    Values v;
    setZero(v);

    v[1] = 0;  // stage-3 gain exactly 0 dB: no stage-3 filter, even with the biquad selected
    v[21] = 1;
    chain.configure(v);
    EXPECT_FALSE(chain.stage3IsOn());
    EXPECT_TRUE(chain.stage3AltOn());

    v[0] = 0;  // stage-2 gain 0 dB with the cascade selected: the high-pass still runs
    v[20] = 1;
    chain.configure(v);
    EXPECT_TRUE(chain.stage2IsOn());
    std::vector<float> l(64, 0.1f), r(64, 0.1f);
    processChain(chain, l, r);
    EXPECT_EQ(chain.highPassUnit().blockCount(), 2);
    EXPECT_EQ(chain.lowShelfUnit().blockCount(), 0);
    EXPECT_EQ(chain.band2Unit().blockCount(), 0);
    EXPECT_EQ(chain.lowShelfBiquadUnit().blockCount(), 0);

    v[20] = 0;  // the shelf selected again: 0 dB switches the stage off
    chain.configure(v);
    EXPECT_FALSE(chain.stage2IsOn());
    v[0] = -8.5f;
    v[15] = 0;  // stage 2 switch off
    chain.configure(v);
    EXPECT_FALSE(chain.stage2IsOn());

    v[4] = 0;  // stage 5: likewise for the low-pass cascade
    v[23] = 1;
    chain.configure(v);
    EXPECT_TRUE(chain.stage5IsOn());
    v[23] = 0;
    chain.configure(v);
    EXPECT_FALSE(chain.stage5IsOn());

    v[3] = 0;  // stage-4 gain 0 dB
    chain.configure(v);
    EXPECT_FALSE(chain.stage4IsOn());

    v[24] = 0;  // output level 0 dB: no gain stage at all; -0.1 dB runs it
    chain.configure(v);
    EXPECT_FALSE(chain.stage6IsOn());
    v[24] = -0.1f;
    chain.configure(v);
    EXPECT_TRUE(chain.stage6IsOn());
}

// With its switch off stage 1 gets 0 dB and, the other stages off, the chain passes the input
// plus the offset bit for bit, reading in and writing out.
TEST(EffectsChain, StageOneSwitchedOffPassesSignal) {
    EffectsChain chain;
    ASSERT_EQ(chain.setup(2, 2), 0);
    const Values v = {0,    0, 9, 0, 0, 95, 180, 480, 1900, 3200, 2, 0.3f, 0.85f,
                      1.1f, 3, 1, 1, 0, 1,  1,   0,   0,    0,    0, 0,    44100};
    chain.configure(v);
    EXPECT_EQ(chain.band1Unit().coefficients().current.b, 0.0f);
    const std::vector<float> left = noise(256, 20), right = noise(256, 21);
    std::vector<float> inL = left, inR = right, outL(256), outR(256);
    chain.process(stereo(inL.data(), inR.data(), 256), stereo(outL.data(), outR.data(), 256));
    EXPECT_EQ(inL, left);
    for (size_t i = 0; i < 256; ++i) {
        ASSERT_EQ(outL[i], left[i] + kAntiDenormal) << i;
        ASSERT_EQ(outR[i], right[i] + kAntiDenormal) << i;
    }
}

// A repeated configure changes nothing, not even a running glide: a chain that receives it
// renders exactly like one that does not.
TEST(EffectsChain, RepeatedConfigureChangesNothing) {
    EffectsChain once, twice;
    Values v;
    setZero(v);
    for (EffectsChain* c : {&once, &twice}) {
        ASSERT_EQ(c->setup(2, 2), 0);
        c->configure(v);
    }
    std::vector<float> l = noise(256, 30), r = noise(256, 31);
    std::vector<float> l0 = l, r0 = r;
    processChain(once, l, r);
    processChain(twice, l0, r0);
    v[1] = -6;    // band2 starts a ramp
    v[9] = 2500;  // highShelf starts a glide
    once.configure(v);
    twice.configure(v);
    std::vector<float> l1 = noise(100, 32), r1 = noise(100, 33);
    std::vector<float> l2 = l1, r2 = r1;
    processChain(once, l1, r1);
    processChain(twice, l2, r2);
    const int left = twice.band2Unit().coefficients().left;
    twice.configure(v);
    EXPECT_EQ(twice.band2Unit().coefficients().left, left);
    for (int block = 0; block < 30; ++block) {
        l1 = l2 = noise(256, 40 + block);
        r1 = r2 = noise(256, 80 + block);
        processChain(once, l1, r1);
        processChain(twice, l2, r2);
        ASSERT_EQ(l1, l2) << block;
        ASSERT_EQ(r1, r2) << block;
    }
}

TEST(EffectsChain, ConfigureAfterResetAppliesWithoutGliding) {
    EffectsChain chain;
    ASSERT_EQ(chain.setup(2, 2), 0);
    Values v;
    setZero(v);
    v[20] = 1;  // run both cascades so that every gliding unit has processed
    v[23] = 1;
    chain.configure(v);
    for (int sel = 0; sel < 2; ++sel) {
        v[20] = v[21] = v[22] = v[23] = static_cast<float>(sel);
        chain.configure(v);
        std::vector<float> l(64, 0.1f), r(64, 0.1f);
        processChain(chain, l, r);
    }
    chain.reset();
    const Values changed = {-3,   -1, 5, 7, 9, 150, 300, 800, 2500, 5000, 4, 0.7f, 1.5f,
                            0.9f, 6,  1, 1, 1, 1,   1,   0,   0,    1,    0, -10,  44100};
    chain.configure(changed);
    EXPECT_TRUE(settled(chain.lowShelfUnit()));
    EXPECT_TRUE(settled(chain.highPassUnit()));
    EXPECT_TRUE(settled(chain.band2Unit()));
    EXPECT_TRUE(settled(chain.lowShelfBiquadUnit()));
    EXPECT_TRUE(settled(chain.band1Unit()));
    EXPECT_TRUE(settled(chain.band3Unit()));
    EXPECT_TRUE(settled(chain.highShelfBiquadUnit()));
    EXPECT_TRUE(settled(chain.highShelfUnit()));
    EXPECT_TRUE(settled(chain.lowPassUnit()));

    // Without the reset the same change glides.
    std::vector<float> l(64, 0.1f), r(64, 0.1f);
    processChain(chain, l, r);
    v[0] = -12;
    chain.configure(v);
    EXPECT_FALSE(settled(chain.lowShelfUnit()));
}

// A unit that is not selected follows the values but glides only while it runs.
TEST(EffectsChain, UnselectedUnitGlidesOnlyWhileRunning) {
    EffectsChain chain;
    ASSERT_EQ(chain.setup(2, 2), 0);
    Values v;
    setZero(v);
    v[20] = 1;  // high-pass cascade selected
    chain.configure(v);
    std::vector<float> l(64, 0.1f), r(64, 0.1f);
    processChain(chain, l, r);
    v[20] = 0;  // back to the shelf, with a new stage-2 frequency
    v[5] = 200;
    chain.configure(v);
    EXPECT_EQ(chain.highPassUnit().coefficients().left, 2028);  // 0.046 x 44100
    processChain(chain, l, r);
    EXPECT_EQ(chain.highPassUnit().coefficients().left, 2028);
    // The shelf never ran before the change, so it took its new values at once.
    EXPECT_EQ(chain.lowShelfUnit().coefficients().left, 0);
}

TEST(EffectsChain, SetupAnswersTheSumOfTheUnits) {
    EffectsChain chain;
    EXPECT_EQ(chain.setup(3, 3), -10010);
    EXPECT_EQ(chain.setup(2, 1), -10020);
    // Without state the chain leaves in-place audio as it is.
    Values v;
    setZero(v);
    chain.configure(v);
    const std::vector<float> left = noise(128, 50);
    std::vector<float> l = left, r = left;
    processChain(chain, l, r);
    EXPECT_EQ(l, left);
    EXPECT_EQ(chain.setup(2, 2), 0);
    EXPECT_EQ(chain.setup(1, 1), 0);
}

// The output level's fade lasts as long in seconds at every rate: from silence it reaches
// 1 - 1/e of its target after 1/-ln(0.999) = 999.5 steps at 44100 Hz, 999.5 fs/44100 at fs
// (within the one sample of counting whole steps). Only band 1 (at 0 dB) and the level run.
TEST(EffectsChain, OutputLevelFadeLastsAsLongAtEveryRate) {
    for (const float fs : {44100.0f, 96000.0f}) {
        EffectsChain chain;
        ASSERT_EQ(chain.setup(2, 2), 0);
        Values v = {};
        v[24] = -6.0f;
        v[25] = fs;
        chain.configure(v);
        std::vector<float> l(3000, 1.0f), r = l;
        processChain(chain, l, r);
        const float reached = (1.0f - std::exp(-1.0f)) * chain.outputLevelUnit().targetGain(0);
        const auto n = std::find_if(l.begin(), l.end(), [&](float y) { return y >= reached; });
        EXPECT_NEAR(static_cast<double>(n - l.begin() + 1), 999.5 * fs / 44100.0, 1.0) << fs;
    }
}

// NaN values (a corrupted voicing row or rate) clamp to the lower limits instead of reaching
// the coefficients: the output stays finite.
TEST(EffectsChain, NaNValuesKeepOutputFinite) {
    EffectsChain chain;
    ASSERT_EQ(chain.setup(2, 2), 0);
    Values v;
    for (float& x : v) {
        x = std::numeric_limits<float>::quiet_NaN();
    }
    chain.configure(v);
    std::vector<float> l = noise(2048, 60), r = noise(2048, 61);
    processChain(chain, l, r);
    for (size_t i = 0; i < l.size(); ++i) {
        ASSERT_TRUE(std::isfinite(l[i]) && std::isfinite(r[i])) << i;
    }
}
