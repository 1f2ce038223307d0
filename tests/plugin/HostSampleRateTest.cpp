// The instrument at the host's sample rate: at 44100 Hz its output is fixed to the bit (the
// goldens below were recorded from the reference engine), and at every other rate it must sound
// the same: the same pitches, decay times, tone balance, tremolo and voicing response.
#include <gtest/gtest.h>

#include <cstdint>

#include "HostRender.h"
#include "SampleHash.h"
#include "TestHost.h"

namespace {

using namespace vst2;

class SampleRates : public ::testing::Test {
protected:
    void open(float rate, int32_t blockSize) {
        ASSERT_TRUE(host.loaded()) << ORVANE_PLUGIN_PATH;
        ASSERT_NE(host.open(), nullptr);
        host.dispatch(effOpen);
        host.dispatch(effSetSampleRate, 0, 0, nullptr, rate);
        host.dispatch(effSetBlockSize, 0, blockSize);
        host.dispatch(effMainsChanged, 0, 1);
    }

    TestHost host;
};

// Chords, a held pedal, releases under the pedal and a re-struck ringing key.
std::vector<HostRender::Message> performance() {
    return {{0, 0x90, 33, 100},     {1000, 0x90, 60, 64},   {1000, 0x90, 64, 127},
            {1700, 0x90, 67, 30},   {5000, 0x90, 96, 90},   {9000, 0x90, 21, 127},
            {9001, 0x90, 108, 127}, {20000, 0xB0, 64, 127}, {30000, 0x80, 60, 0},
            {30000, 0x80, 64, 0},   {41000, 0x90, 72, 80},  {41100, 0x80, 72, 0},
            {50000, 0xB0, 64, 0},   {60000, 0x80, 33, 0},   {70000, 0x90, 60, 110},
            {70000, 0x90, 61, 110}, {70000, 0x90, 62, 110}, {70000, 0x90, 63, 110},
            {90000, 0x80, 60, 0},   {100000, 0x80, 61, 64}, {100000, 0x90, 84, 1},
            {110000, 0x80, 96, 0}};
}

TEST_F(SampleRates, OutputAtTheReferenceRateIsUnchanged) {
    struct Case {
        const char* name;
        std::vector<float> settings;  // host values of the ten parameters; empty: defaults
        uint64_t hash;
    };
    const Case cases[] = {
        {"defaults", {}, 6084474301284174478ull},
        {"every knob turned, few voices",
         {0.3f, 0.8f, 0.9f, 0.2f, 0.5f, 0.05f, 0.7f, 0.5f, 0.8f, 0.5f},
         8608016219503081104ull},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.close();
        open(44100.0f, 500);
        for (size_t i = 0; i < c.settings.size(); ++i) {
            host.set(static_cast<int32_t>(i), c.settings[i]);
        }
        HostRender render;
        render.messages = performance();
        render.blockSize = 500;
        render.run(host, 132300);
        EXPECT_EQ(sampleHash(render.left, render.right), c.hash)
            << sampleHash(render.left, render.right);
    }
}

}  // namespace
