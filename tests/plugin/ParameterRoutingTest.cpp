// How parameter changes reach the engine core: the values of the 23-value call, the selector
// (the sum of the changed positions i + 1), one send per block with changes, the host's sample
// rate, and the denormal mode of the process call.
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <vector>

#include "Parameter.h"
#include "PianoModule.h"
#include "PianoPlugin.h"
#include "RecordingCore.h"

namespace {

using namespace vst2;

class ParameterRouting : public ::testing::Test {
protected:
    ParameterRouting()
        : plugin(nullptr, std::make_unique<RecordingCore>(log)), effect(plugin.getAeffect()) {}

    void block() {
        float left[64], right[64];
        float* outputs[2] = {left, right};
        effect->processReplacing(effect, nullptr, outputs, 64);
    }

    void set(int32_t index, float value) { effect->setParameter(effect, index, value); }

    std::vector<RecordingCore::Application> log;
    PianoPlugin plugin;
    AEffect* effect;
};

TEST_F(ParameterRouting, EachChangeReachesItsPositionOnceAtTheNextBlock) {
    ASSERT_EQ(log.size(), 1u);  // setup sends every default, to every group
    EXPECT_EQ(log[0].selector, PianoCore::kSelectorAll);
    const std::array<float, 23> defaults = {0, 100, 100, 1, 1, 0.1f, 0.1f, 100, 20,  0, 0.4f, 0,
                                            0, 0,   0,   0, 0, 0,    0,    0,   180, 0, 44100};
    EXPECT_EQ(log[0].values, defaults);
    block();  // the first block sends the same values once more, naming no change
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].selector, 0);
    EXPECT_EQ(log[1].values, defaults);

    // Slot -> engine position + 1: Decay 2 ... Damper 5, Stereo 8, Voices 9, Tune 10, Tremolo
    // Rate 19, Depth 20, Stereo 21.
    const std::pair<int32_t, int32_t> cases[] = {{1, 2}, {2, 3},  {3, 4},  {4, 5},  {5, 8},
                                                 {6, 9}, {7, 10}, {8, 19}, {9, 20}, {10, 21}};
    for (const auto& [index, selector] : cases) {
        const size_t sent = log.size();
        set(index, effect->getParameter(effect, index) > 0.5f ? 0.1f : 0.9f);
        EXPECT_EQ(log.size(), sent);  // nothing is sent outside a block
        block();
        block();
        ASSERT_EQ(log.size(), sent + 1) << "slot " << index;
        EXPECT_EQ(log.back().selector, selector) << "slot " << index;
        EXPECT_EQ(log.back().values[static_cast<size_t>(selector - 1)],
                  plugin.engineModule().parameterAt(index)->realValue());
    }
    // Two changes apply every group: Stereo's 8 and Tune's 10 add up to another position's 18.
    set(5, 0.3f);
    set(7, 0.3f);
    block();
    EXPECT_EQ(log.back().selector, PianoCore::kSelectorAll);
}

TEST_F(ParameterRouting, ChunkAndSampleRateReachTheCoreAtTheNextBlock) {
    block();
    void* data = nullptr;
    ASSERT_EQ(effect->dispatcher(effect, effGetChunk, 0, 0, &data, 0.0f), 68);
    std::vector<uint8_t> chunk(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + 68);
    set(9, 0.7f);
    block();
    size_t sent = log.size();
    effect->dispatcher(effect, effSetChunk, 0, 68, chunk.data(), 0.0f);
    EXPECT_EQ(log.size(), sent);  // the loader never calls the engine itself
    block();
    ASSERT_EQ(log.size(), sent + 1);
    EXPECT_EQ(log.back().selector, 20);
    EXPECT_EQ(log.back().values[19], 0.0f);

    sent = log.size();
    EXPECT_EQ(effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 48000.0f), 0);
    EXPECT_EQ(log.size(), sent);
    block();  // no resume in between
    ASSERT_EQ(log.size(), sent + 1);
    EXPECT_EQ(log.back().selector, PianoCore::kSelectorAll);
    EXPECT_EQ(log.back().values[22], 48000.0f);
    EXPECT_EQ(plugin.engineModule().engine()->renderContext().sampleRate, 48000.0f);
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 48000.0f);  // the same rate
    for (float bad : {0.0f, -44100.0f, std::numeric_limits<float>::quiet_NaN()}) {
        effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, bad);
    }
    block();
    EXPECT_EQ(log.size(), sent + 1);
    EXPECT_EQ(effect->dispatcher(effect, effSetBlockSizeAndSampleRate, 0, 512, nullptr, 96000.0f),
              1);
    block();
    EXPECT_EQ(log.back().values[22], 96000.0f);
}

TEST_F(ParameterRouting, ProcessRunsWithDenormalsFlushedAndRestoresTheHostMode) {
    if (!FloatingPointEnvironment::flushSupported) {
        GTEST_SKIP() << "no flush-to-zero control on this machine";
    }
    ASSERT_FALSE(FloatingPointEnvironment::flushesDenormals());
    set(9, 0.5f);
    block();
    EXPECT_TRUE(log.back().flushing);
    EXPECT_FALSE(FloatingPointEnvironment::flushesDenormals());
}

}  // namespace
