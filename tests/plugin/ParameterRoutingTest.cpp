// How parameter changes reach the engine core: the values of the 23-value call, the change sum
// and its selector, one send per block with changes, and the host's sample rate.
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

    void block(int32_t frames = 64) {
        std::vector<float> left(static_cast<size_t>(frames)), right(left.size());
        float* outputs[2] = {left.data(), right.data()};
        effect->processReplacing(effect, nullptr, outputs, frames);
    }

    void set(int32_t index, float value) { effect->setParameter(effect, index, value); }

    std::vector<RecordingCore::Application> log;
    PianoPlugin plugin;
    AEffect* effect;
};

TEST_F(ParameterRouting, SetupSendsEveryDefault) {
    ASSERT_EQ(log.size(), 1u);
    // Positions 1, 2, 3, 4, 7, 8 and 20 change from 0: the sum of their numbers i + 1.
    EXPECT_EQ(plugin.engineModule().lastChangeSum(), 2 + 3 + 4 + 5 + 8 + 9 + 21);
    EXPECT_EQ(plugin.engineModule().lastChangeSum(), 52);
    EXPECT_EQ(log[0].selector, PianoCore::kSelectorAll);  // several changes: every group
    const std::array<float, 23> expected = {0, 100, 100, 1, 1, 0.1f, 0.1f, 100, 20,  0, 0.4f, 0,
                                            0, 0,   0,   0, 0, 0,    0,    0,   180, 0, 44100};
    EXPECT_EQ(log[0].values, expected);
}

TEST_F(ParameterRouting, FirstBlockSendsTheValuesOnceMore) {
    block();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].selector, 0);  // nothing differs from what setup sent
    EXPECT_EQ(log[1].values, log[0].values);
    block();
    EXPECT_EQ(log.size(), 2u);
}

TEST_F(ParameterRouting, OneChangeReachesTheCoreExactlyOnce) {
    block();
    set(9, 0.5f);
    EXPECT_EQ(log.size(), 2u);  // nothing is sent outside a block
    block();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(plugin.engineModule().lastChangeSum(), 20);
    EXPECT_EQ(log[2].selector, 20);  // Tremolo Depth alone
    EXPECT_EQ(log[2].values[19], 50.0f);
    block();
    block();
    EXPECT_EQ(log.size(), 3u);
}

TEST_F(ParameterRouting, SingleChangesNameTheirPosition) {
    block();
    const std::pair<int32_t, int32_t> cases[] = {{1, 2}, {2, 3},  {3, 4},  {4, 5},  {5, 8},
                                                 {6, 9}, {7, 10}, {8, 19}, {9, 20}, {10, 21}};
    for (const auto& [index, selector] : cases) {
        set(index, effect->getParameter(effect, index) > 0.5f ? 0.1f : 0.9f);
        block();
        EXPECT_EQ(log.back().selector, selector) << "slot " << index;
    }
}

TEST_F(ParameterRouting, SeveralChangesApplyEveryGroup) {
    block();
    set(1, 0.9f);
    set(2, 0.9f);
    block();
    EXPECT_EQ(plugin.engineModule().lastChangeSum(), 2 + 3);
    EXPECT_EQ(log.back().selector, PianoCore::kSelectorAll);
    // Stereo (8) and Tune (10) would add up to 18, the Tremolo Rate's number.
    set(5, 0.3f);
    set(7, 0.3f);
    block();
    EXPECT_EQ(plugin.engineModule().lastChangeSum(), 18);
    EXPECT_EQ(log.back().selector, PianoCore::kSelectorAll);
}

TEST_F(ParameterRouting, ChunkLoadReachesTheCoreAtTheNextBlock) {
    block();
    void* data = nullptr;
    ASSERT_EQ(effect->dispatcher(effect, effGetChunk, 0, 0, &data, 0.0f), 68);
    std::vector<uint8_t> chunk(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + 68);
    set(9, 0.7f);
    block();
    const size_t sent = log.size();
    effect->dispatcher(effect, effSetChunk, 0, 68, chunk.data(), 0.0f);
    EXPECT_EQ(log.size(), sent);  // the loader never calls the engine itself
    block();
    ASSERT_EQ(log.size(), sent + 1);
    EXPECT_EQ(log.back().selector, 20);
    EXPECT_EQ(log.back().values[19], 0.0f);
}

TEST_F(ParameterRouting, HostSampleRateReachesTheEngineAtTheNextBlock) {
    block();
    EXPECT_EQ(effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 48000.0f), 0);
    EXPECT_EQ(log.size(), 2u);
    block();  // no resume in between
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[2].selector, PianoCore::kSelectorAll);
    EXPECT_EQ(log[2].values[22], 48000.0f);
    const PianoCore& core = *plugin.engineModule().engine();
    EXPECT_EQ(core.renderContext().sampleRate, 48000.0f);
    EXPECT_EQ(core.sampleRateGivenNow(), 48000.0f);
    block();
    EXPECT_EQ(log.size(), 3u);

    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 48000.0f);  // same rate
    block();
    EXPECT_EQ(log.size(), 3u);

    EXPECT_EQ(effect->dispatcher(effect, effSetBlockSizeAndSampleRate, 0, 512, nullptr, 96000.0f),
              1);
    block();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[3].values[22], 96000.0f);
    EXPECT_EQ(plugin.getBlockSize(), 512);

    for (float bad : {0.0f, -44100.0f, std::numeric_limits<float>::quiet_NaN()}) {
        effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, bad);
    }
    block();
    EXPECT_EQ(log.size(), 4u);
    EXPECT_EQ(core.renderContext().sampleRate, 96000.0f);
}

TEST_F(ParameterRouting, ProcessRunsWithDenormalsFlushedAndRestoresTheHostMode) {
    if (!FloatingPointEnvironment::flushSupported) {
        GTEST_SKIP() << "no flush-to-zero control on this machine";
    }
    ASSERT_FALSE(FloatingPointEnvironment::flushesDenormals());
    set(9, 0.5f);
    block();
    ASSERT_FALSE(log.empty());
    EXPECT_TRUE(log.back().flushing);
    EXPECT_FALSE(FloatingPointEnvironment::flushesDenormals());
}

TEST(ModuleNotifyHost, ReportsTheSlotsValueAsAnAutomation) {
    static std::vector<std::pair<int32_t, float>> automations;
    automations.clear();
    const auto callback = [](AEffect*, int32_t opcode, int32_t index, intptr_t, void*,
                             float opt) -> intptr_t {
        if (opcode == audioMasterAutomate) {
            automations.emplace_back(index, opt);
        }
        return opcode == audioMasterVersion ? 2400 : 0;
    };
    PianoPlugin plugin(callback);
    plugin.engineModule().parameterAt(8)->setValue(30, true);
    plugin.engineModule().notifyHost(8);
    ASSERT_EQ(automations.size(), 1u);
    EXPECT_EQ(automations[0].first, 8);
    EXPECT_EQ(automations[0].second, 30.0f / 120.0f);
    EXPECT_EQ(plugin.engineModule().parameterAt(8)->value(), 30);
}

}  // namespace
