#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "EffectsChain.h"
#include "UnitSignals.h"

using namespace unit_signals;

namespace {

using Values = std::array<float, EffectsChain::kValueCount>;

// The instrument's voicing set 0 as the engine core hands it over at 44100 Hz.
constexpr Values kSetZero = {-8.5f, -2.5f, -2, 4, 16, 95, 180, 480, 1900, 3200, 2, 0.3f, 0.85f,
                             1.1f,  3,     1,  1, 1,  1,  1,   0,   0,    1,    0, -17,  44100};

void configure(EffectsChain& chain, const Values& v) {
    float values[EffectsChain::kValueCount];
    std::copy(v.begin(), v.end(), values);
    chain.configure(values);
}

void processChain(EffectsChain& chain, std::vector<float>& left, std::vector<float>& right) {
    const ChannelBuffers b = stereo(left.data(), right.data(), static_cast<int>(left.size()));
    EXPECT_EQ(chain.process(b, b), 0);
}

// Which units ran in one block of a fresh chain configured with v: a mark per unit, in the
// order band1, low shelf, high-pass, band2, low biquad shelf, band3, high biquad shelf, high
// shelf, low-pass, output level.
std::string running(const Values& v) {
    EffectsChain chain;
    chain.setup(2, 2);
    configure(chain, v);
    std::vector<float> l(64, 0.1f), r = l;
    processChain(chain, l, r);
    const Unit* units[] = {&chain.band1Unit(),           &chain.lowShelfUnit(),
                           &chain.highPassUnit(),        &chain.band2Unit(),
                           &chain.lowShelfBiquadUnit(),  &chain.band3Unit(),
                           &chain.highShelfBiquadUnit(), &chain.highShelfUnit(),
                           &chain.lowPassUnit(),         &chain.outputLevelUnit()};
    std::string marks;
    for (const Unit* unit : units) {
        marks += unit->blockCount() > 0 ? 'x' : '-';
    }
    return marks;
}

// Set 0's six units on their own, run one after the other as the chain runs them: band1 from
// in to out, the rest in place on out.
struct SetZeroUnits {
    PeakingBand band1, band2;
    LowShelfFilter lowShelf;
    HighShelfBiquad highShelfBiquad;
    HighShelfFilter highShelf;
    OutputLevel outputLevel;

    SetZeroUnits() {
        auto prepare = [](auto& unit, auto... settings) {
            unit.setup(2, 2);
            unit.setParameters(settings...);
        };
        prepare(band1, PeakingBand::Settings{480, -2, 0.85f, 1, 44100});
        prepare(lowShelf, LowShelfFilter::Settings{95, -8.5f, 1, 44100});
        prepare(band2, PeakingBand::Settings{180, -2.5f, 0.3f, 1, 44100});
        prepare(highShelfBiquad, HighShelfBiquad::Settings{1900, 4, 1.1f, 1, 44100});
        prepare(highShelf, HighShelfFilter::Settings{3200, 16, 1, 44100});
        prepare(outputLevel, -17.0f, 0);
    }
    void process(const ChannelBuffers& in, const ChannelBuffers& out) {
        band1.process(in, out);
        lowShelf.process(out, out);
        band2.process(out, out);
        highShelfBiquad.process(out, out);
        highShelf.process(out, out);
        outputLevel.process(out, out);
    }
    void process(std::vector<float>& left, std::vector<float>& right) {
        const ChannelBuffers b = stereo(left.data(), right.data(), static_cast<int>(left.size()));
        process(b, b);
    }
};

}  // namespace

// Set 0 runs band1 (480 Hz, -2 dB, Q 0.85), the low shelf (95 Hz, -8.5 dB), band2 (180 Hz,
// -2.5 dB, Q 0.3), the high biquad shelf (1900 Hz, +4 dB, slope 1.1), the high shelf (3200 Hz,
// +16 dB) and the output level (-17 dB) in that order: the chain's output equals those six
// units run one after the other, bit for bit, also across a change that glides and in blocks
// shorter than the steps that the side-by-side loop needs to fill.
TEST(EffectsChain, VoicingSetZeroRunsSixUnitsInOrder) {
    EffectsChain chain;
    ASSERT_EQ(chain.setup(2, 2), 0);
    Values v = kSetZero;
    configure(chain, v);
    SetZeroUnits units;
    constexpr int kLengths[] = {256, 1, 7, 10, 11, 64, 9, 300};
    for (int block = 0; block < 40; ++block) {
        const int length = kLengths[block % 8];
        if (block == 20) {  // the stage-2 gain and the output level change: both glide
            v[0] = -4.0f;
            v[24] = -12.0f;
            configure(chain, v);
            units.lowShelf.setParameters({95, -4, 1, 44100});
            units.outputLevel.setParameters(-12, 0);
        }
        std::vector<float> l = noise(length, 100 + block), r = noise(length, 200 + block);
        std::vector<float> refL = l, refR = r;
        processChain(chain, l, r);
        units.process(refL, refR);
        ASSERT_EQ(l, refL) << block;
        ASSERT_EQ(r, refR) << block;
    }
}

// A caller's loop may take the chain's steps (the voice kernel steps it on each sample it mixes):
// begun on a slice, filled and stepped by the caller and ended, the chain writes what process
// writes, and keeps the state process keeps. Where process would run another way (a
// glide, a slice shorter than the pipeline, one channel) it is not begun, and nothing changes.
TEST(EffectsChain, StepsInTheCallersLoopGiveTheProcessedSlice) {
    EffectsChain chain, reference;
    for (EffectsChain* c : {&chain, &reference}) {
        ASSERT_EQ(c->setup(2, 2), 0);
        configure(*c, kSetZero);
    }
    constexpr int kDepth = SkewedChain::kDepth;
    constexpr int kLengths[] = {256, kDepth, kDepth + 1, 64, 255, kDepth - 1, 100};
    constexpr int kBlocks = 63;
    bool begun[kBlocks] = {};
    for (int block = 0; block < kBlocks; ++block) {
        const int length = kLengths[block % 7];
        if (block == 14) {  // the low shelf's gain glides (4,313 samples), the output level fades
            Values v = kSetZero;
            v[0] = -4.0f;
            v[24] = -12.0f;
            configure(chain, v);
            configure(reference, v);
        }
        std::vector<float> l = noise(static_cast<size_t>(length), 300 + block);
        std::vector<float> r = noise(static_cast<size_t>(length), 400 + block);
        std::vector<float> refL = l, refR = r;
        processChain(reference, refL, refR);
        const ChannelBuffers b = stereo(l.data(), r.data(), length);
        SkewedChain steps;
        begun[block] = chain.beginSkewed(b, steps);
        if (begun[block]) {
            const SkewedChain::Io io = {l.data(), r.data(), l.data(), r.data(), 1, 1, 1, 1};
            for (int t = 0; t < kDepth; ++t) {
                steps.partialStep(io.input(t), t, length);
            }
            for (int t = kDepth; t < length; ++t) {
                io.output(t - kDepth, steps(io.input(t)));
            }
            chain.endSkewed(b, steps);
        } else {
            processChain(chain, l, r);
        }
        ASSERT_EQ(l, refL) << block;
        ASSERT_EQ(r, refR) << block;
    }
    EXPECT_TRUE(begun[0] && begun[1] && begun[2] && begun[13]);
    EXPECT_FALSE(begun[5]);   // kDepth - 1 frames
    EXPECT_FALSE(begun[14]);  // gliding
    EXPECT_TRUE(begun[62]);   // 4,835 frames after the change

    EffectsChain mono;
    ASSERT_EQ(mono.setup(1, 1), 0);
    configure(mono, kSetZero);
    std::vector<float> m = noise(256, 9);
    ChannelBuffers one;
    one[0] = {m.data(), 1, 256};
    one[1] = {nullptr, 1, 256};
    SkewedChain steps;
    EXPECT_FALSE(mono.beginSkewed(one, steps));
}

// An output that overlaps its own channel's input a few samples later (or earlier) sees the
// input overwritten as the stage-by-stage run overwrites it.
TEST(EffectsChain, OverlappingChannelBuffersGiveTheStageByStageRun) {
    for (const int shift : {3, -3}) {
        constexpr int kFrames = 64;
        constexpr int kMargin = 3;
        EffectsChain chain;
        ASSERT_EQ(chain.setup(2, 2), 0);
        configure(chain, kSetZero);
        SetZeroUnits units;
        std::vector<float> l = noise(kFrames + 2 * kMargin, 7), r = noise(kFrames + 2 * kMargin, 8);
        std::vector<float> refL = l, refR = r;
        auto buffers = [](std::vector<float>& left, std::vector<float>& right, int at) {
            return stereo(left.data() + at, right.data() + at, kFrames);
        };
        const ChannelBuffers in = buffers(l, r, kMargin);
        const ChannelBuffers out = buffers(l, r, kMargin + shift);
        EXPECT_EQ(chain.process(in, out), 0);
        const ChannelBuffers refIn = buffers(refL, refR, kMargin);
        const ChannelBuffers refOut = buffers(refL, refR, kMargin + shift);
        units.process(refIn, refOut);
        EXPECT_EQ(l, refL) << shift;
        EXPECT_EQ(r, refR) << shift;
    }
}

// A slice that holds one value repeats the settled chain's outputs; one sample off that value,
// wherever it lies in the slice and in either channel, makes the slice run in full.
TEST(EffectsChain, OneDifferingSampleKeepsTheSliceFromTheSettledPath) {
    constexpr int kFrames = 256;
    for (const int at : {0, 1, 15, 16, 17, 32, 200, 254, 255}) {
        for (const int channel : {0, 1}) {
            EffectsChain chain;
            ASSERT_EQ(chain.setup(2, 2), 0);
            configure(chain, kSetZero);
            SetZeroUnits units;
            for (int slice = 0; slice <= 40; ++slice) {  // settled within the first forty
                std::vector<float> l(kFrames, 0.0f), r(kFrames, 0.0f);
                if (slice == 40) {
                    (channel == 0 ? l : r)[static_cast<size_t>(at)] = 0.25f;
                }
                std::vector<float> refL = l, refR = r;
                processChain(chain, l, r);
                units.process(refL, refR);
                ASSERT_EQ(l, refL) << at << " " << channel << " " << slice;
                ASSERT_EQ(r, refR) << at << " " << channel << " " << slice;
            }
        }
    }
}

// Switches, selects and gains decide which units run (set 0: the six above). A stage whose shelf
// has exactly 0 dB does not run, but a cascade selected in its place does; the output level runs
// unless exactly 0 dB.
TEST(EffectsChain, StageSwitchesAndSelects) {
    const struct {
        std::map<int, float> changes;
        const char* units;
    } rows[] = {
        {{}, "xx-x--xx-x"},
        {{{21, 1}}, "xx--x-xx-x"},
        {{{1, 0}, {21, 1}}, "xx----xx-x"},
        {{{0, 0}, {20, 1}}, "x-xx--xx-x"},
        {{{0, 0}}, "x--x--xx-x"},
        {{{15, 0}}, "x--x--xx-x"},
        {{{22, 0}}, "xx-x-x-x-x"},
        {{{3, 0}}, "xx-x---x-x"},
        {{{4, 0}, {23, 1}}, "xx-x--x-xx"},
        {{{24, 0}}, "xx-x--xx--"},
    };
    for (const auto& row : rows) {
        Values v = kSetZero;
        for (const auto& [index, value] : row.changes) {
            v[static_cast<size_t>(index)] = value;
        }
        EXPECT_EQ(running(v), row.units) << "row " << (&row - rows);
    }
}

// NaN values (a corrupted voicing row or rate) clamp to the lower limits: the output stays
// finite.
TEST(EffectsChain, NaNValuesKeepTheOutputFinite) {
    EffectsChain chain;
    ASSERT_EQ(chain.setup(2, 2), 0);
    Values v;
    v.fill(std::numeric_limits<float>::quiet_NaN());
    configure(chain, v);
    std::vector<float> l = noise(2048, 60), r = noise(2048, 61);
    processChain(chain, l, r);
    for (size_t i = 0; i < l.size(); ++i) {
        ASSERT_TRUE(std::isfinite(l[i]) && std::isfinite(r[i])) << i;
    }
}
