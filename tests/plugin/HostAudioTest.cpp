// Sound through the loaded module: a note-on produces a struck key, no notes give silence.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "TestHost.h"

namespace {

using namespace vst2;

float renderPeak(const TestHost& host, int32_t frames) {
    std::vector<float> left(static_cast<size_t>(frames), 1.0f), right(left);
    float* outputs[2] = {left.data(), right.data()};
    AEffect* e = host.effect();
    e->processReplacing(e, nullptr, outputs, frames);
    float peak = 0.0f;
    for (size_t i = 0; i < left.size(); ++i) {
        peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
    }
    return peak;
}

class HostAudio : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.loaded()) << ORVANE_PLUGIN_PATH;
        ASSERT_NE(host.open(), nullptr);
        host.dispatch(effOpen);
        host.dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
        host.dispatch(effSetBlockSize, 0, 1024);
        host.dispatch(effMainsChanged, 0, 1);
    }

    TestHost host;
};

// Sends a note-on at frame 100 of the next block.
void strike(const TestHost& host, int note) {
    VstMidiEvent on{};
    on.type = kVstMidiType;
    on.byteSize = sizeof on;
    on.deltaFrames = 100;
    on.midiData[0] = static_cast<char>(0x90);
    on.midiData[1] = static_cast<char>(note);
    on.midiData[2] = 100;
    VstEvents events{};
    events.numEvents = 1;
    events.events[0] = reinterpret_cast<VstEvent*>(&on);
    EXPECT_EQ(host.dispatch(effProcessEvents, 0, 0, &events), 1);
}

TEST_F(HostAudio, NoteOnSounds) {
    strike(host, 69);
    EXPECT_GT(renderPeak(host, 1024), 1e-3f);  // a struck key stands far above 1e-7 offsets
}

TEST_F(HostAudio, RatesFarBelowTheKeysFiltersStayFinite) {
    // At these rates the keys' filter cutoffs (up to about 4.5 kHz) lie beyond the rate itself.
    for (float rate : {4000.0f, 1000.0f, 0.0005f}) {
        host.dispatch(effSetSampleRate, 0, 0, nullptr, rate);
        for (int note : {21, 69, 108}) {
            strike(host, note);
        }
        for (int block = 0; block < 8; ++block) {
            EXPECT_TRUE(std::isfinite(renderPeak(host, 1024))) << rate << " Hz, block " << block;
        }
    }
}

TEST_F(HostAudio, NoNotesIsSilence) {
    for (int block = 0; block < 4; ++block) {
        // Only the anti-denormal offset of 1e-7 per filter input remains.
        EXPECT_LT(renderPeak(host, 1024), 1e-5f);
    }
}

}  // namespace
