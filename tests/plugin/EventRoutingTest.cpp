// The road of a note: effProcessEvents strips the channel and masks the data bytes, keeps the
// detune byte's sign and the offset, and the next process call renders it. Compared sample by
// sample with an engine core driven directly with the expected event.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "PianoCore.h"
#include "PianoModule.h"
#include "PianoPlugin.h"

namespace {

using namespace vst2;

constexpr int32_t kFrames = 512;

VstMidiEvent midiEvent(int status, int data1, int data2, int delta, int detune = 0) {
    VstMidiEvent e{};
    e.type = kVstMidiType;
    e.byteSize = sizeof(VstMidiEvent);
    e.deltaFrames = delta;
    e.midiData[0] = static_cast<char>(status);
    e.midiData[1] = static_cast<char>(data1);
    e.midiData[2] = static_cast<char>(data2);
    e.detune = static_cast<char>(detune);
    return e;
}

// A VstEvents list of any length (hosts allocate the pointer array at its true length).
struct EventList {
    explicit EventList(std::vector<VstEvent*> pointers)
        : storage(sizeof(VstEvents) + pointers.size() * sizeof(VstEvent*)) {
        list = reinterpret_cast<VstEvents*>(storage.data());
        list->numEvents = static_cast<int32_t>(pointers.size());
        VstEvent** const slots = list->events;  // runs on past the two declared entries
        for (size_t i = 0; i < pointers.size(); ++i) {
            slots[i] = pointers[i];
        }
    }
    std::vector<uint8_t> storage;
    VstEvents* list;
};

struct Stereo {
    std::vector<float> left = std::vector<float>(kFrames);
    std::vector<float> right = std::vector<float>(kFrames);
    float peak() const {
        float p = 0.0f;
        for (size_t i = 0; i < left.size(); ++i) {
            p = std::max({p, std::fabs(left[i]), std::fabs(right[i])});
        }
        return p;
    }
};

Stereo renderPlugin(std::vector<VstEvent*> events, float** inputs = nullptr) {
    PianoPlugin plugin(nullptr);
    AEffect* effect = plugin.getAeffect();
    EventList list(std::move(events));
    EXPECT_EQ(effect->dispatcher(effect, effProcessEvents, 0, 0, list.list, 0.0f), 1);
    Stereo out;
    float* outputs[2] = {out.left.data(), out.right.data()};
    effect->processReplacing(effect, inputs, outputs, kFrames);
    return out;
}

// The engine as the module sets it up, given one event directly.
Stereo renderCore(int status, int key, int velocity, int detune, int delta) {
    PianoCore core;
    core.setup(1, 2, 44100.0f);
    // Values 1 to 23: voicing 0, Decay, Release, Bell, Damper, two stretch amounts, Stereo,
    // Voices, Tune, random detune, seven zeros, rate, depth, Tremolo Stereo, chorus, rate.
    const float values[PianoCore::kValueCount] = {
        0, 100, 100, 1, 1, 0.1f, 0.1f, 100, 20, 0, 0.4f, 0, 0, 0, 0, 0, 0, 0, 0, 0, 180, 0, 44100};
    core.applyParameters(values, PianoCore::kSelectorAll);
    core.reset();
    core.queueEvent(status, key, velocity, detune, delta);
    Stereo out;
    ChannelBuffers buffers;
    buffers[0] = ChannelBuffer{out.left.data(), 1, kFrames};
    buffers[1] = ChannelBuffer{out.right.data(), 1, kFrames};
    core.setPosition(0);
    core.render(buffers, buffers);
    return out;
}

// A module that remembers the events handed to it for the engine's queue.
struct RecordingModule : PianoModule {
    struct Event {
        int status, data1, data2, detune, time;
        bool operator==(const Event&) const = default;
    };
    explicit RecordingModule(std::vector<Event>& log) : events(log) {}
    void noteEvent(int status, int data1, int data2, int detune, int time) noexcept override {
        events.push_back({status, data1, data2, detune, time});
        PianoModule::noteEvent(status, data1, data2, detune, time);
    }
    std::vector<Event>& events;
};

TEST(EventRouting, ChannelStrippedDataMaskedDetuneSignedInListOrder) {
    std::vector<RecordingModule::Event> log;
    PianoPlugin plugin(nullptr, std::make_unique<RecordingModule>(log));
    VstMidiEvent on = midiEvent(0x94, 0xBC, 0xE4, 37, -20);
    VstMidiEvent off = midiEvent(0x8F, 0x3C, 0x85, 300, 7);
    VstMidiEvent pedal = midiEvent(0xB3, 64, 127, 2);
    VstEvent sysex{};
    sysex.type = 6;
    EventList list({reinterpret_cast<VstEvent*>(&on), nullptr, &sysex,
                    reinterpret_cast<VstEvent*>(&off), reinterpret_cast<VstEvent*>(&pedal)});
    EXPECT_EQ(plugin.processEvents(list.list), 1);
    const std::vector<RecordingModule::Event> expected = {
        {0x90, 60, 100, -20, 37}, {0x80, 60, 5, 7, 300}, {0xB0, 64, 127, 0, 2}};
    EXPECT_EQ(log, expected);
}

TEST(EventRouting, NoteOnAnyChannelReachesTheCoreMasked) {
    // Channel 5, key byte 0xBC and velocity byte 0xE4 carry a stray top bit: 60 and 100.
    VstMidiEvent on = midiEvent(0x94, 0xBC, 0xE4, 37, -20);
    const Stereo played = renderPlugin({reinterpret_cast<VstEvent*>(&on)});
    const Stereo expected = renderCore(0x90, 60, 100, -20, 37);
    EXPECT_GT(expected.peak(), 1e-3f);  // a struck key is well above the silence floor
    EXPECT_EQ(played.left, expected.left);
    EXPECT_EQ(played.right, expected.right);
}

TEST(EventRouting, DetuneAndOffsetMatter) {
    // The comparison above would not notice a lost detune or offset if they changed nothing:
    // show that they do.
    const Stereo reference = renderCore(0x90, 60, 100, -20, 37);
    EXPECT_NE(renderCore(0x90, 60, 100, 0, 37).left, reference.left);
    EXPECT_NE(renderCore(0x90, 60, 100, -20, 0).left, reference.left);
}

TEST(EventRouting, NonMidiAndNullEventsAreSkipped) {
    VstEvent sysex{};
    sysex.type = 6;
    sysex.byteSize = sizeof(VstEvent);
    sysex.data[8] = static_cast<char>(0x90);  // where a note-on's bytes would be
    sysex.data[9] = 60;
    sysex.data[10] = 100;
    const Stereo silent = renderPlugin({&sysex, nullptr});
    const Stereo none = renderPlugin({});
    EXPECT_EQ(silent.left, none.left);
    // Without notes only the anti-denormal offset of 1e-7 per filter input remains.
    EXPECT_LT(none.peak(), 1e-5f);

    VstMidiEvent on = midiEvent(0x90, 60, 100, 0);
    EXPECT_EQ(renderPlugin({nullptr, reinterpret_cast<VstEvent*>(&on)}).left,
              renderCore(0x90, 60, 100, 0, 0).left);
}

TEST(EventRouting, InputsAreNeverRead) {
    VstMidiEvent on = midiEvent(0x90, 64, 90, 0);
    std::vector<float> noise(kFrames, 0.75f);
    float* inputs[2] = {noise.data(), noise.data()};
    const Stereo withInputs = renderPlugin({reinterpret_cast<VstEvent*>(&on)}, inputs);
    const Stereo withoutInputs = renderPlugin({reinterpret_cast<VstEvent*>(&on)});
    EXPECT_EQ(withInputs.left, withoutInputs.left);
}

TEST(EventRouting, BadBlocksRenderNothing) {
    PianoPlugin plugin(nullptr);
    AEffect* effect = plugin.getAeffect();
    std::vector<float> left(kFrames, 7.0f), right(kFrames, 7.0f);
    float* outputs[2] = {left.data(), right.data()};
    effect->processReplacing(effect, nullptr, outputs, -5);
    effect->process(effect, nullptr, nullptr, kFrames);
    float* halfMissing[2] = {left.data(), nullptr};
    effect->processReplacing(effect, nullptr, halfMissing, kFrames);
    EXPECT_EQ(left, std::vector<float>(kFrames, 7.0f));
    EXPECT_EQ(right, std::vector<float>(kFrames, 7.0f));
    effect->processReplacing(effect, nullptr, outputs, kFrames);
    EXPECT_NE(left, std::vector<float>(kFrames, 7.0f));  // a good block does render
}

TEST(EventRouting, ProcessAndProcessReplacingAgree) {
    VstMidiEvent on = midiEvent(0x90, 72, 110, 5);
    PianoPlugin a(nullptr);
    PianoPlugin b(nullptr);
    Stereo outA;
    Stereo outB;
    float* outputsA[2] = {outA.left.data(), outA.right.data()};
    float* outputsB[2] = {outB.left.data(), outB.right.data()};
    EventList list({reinterpret_cast<VstEvent*>(&on)});
    a.processEvents(list.list);
    b.processEvents(list.list);
    a.getAeffect()->process(a.getAeffect(), nullptr, outputsA, kFrames);
    b.getAeffect()->processReplacing(b.getAeffect(), nullptr, outputsB, kFrames);
    EXPECT_EQ(outA.left, outB.left);
    EXPECT_GT(outA.peak(), 1e-3f);
}

TEST(PluginLifetime, CloseDestroysTheObject) {
    struct Watched : PianoPlugin {
        explicit Watched(bool& flag) : PianoPlugin(nullptr), destroyed(flag) {}
        ~Watched() override { destroyed = true; }
        bool& destroyed;
    };
    bool destroyed = false;
    AEffect* effect = (new Watched(destroyed))->getAeffect();
    EXPECT_EQ(effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_TRUE(destroyed);
}

TEST(PluginLifetime, WithoutCallbackTheRecordKeepsBaseDefaults) {
    PianoPlugin plugin(nullptr);
    const AEffect& e = *plugin.getAeffect();
    EXPECT_EQ(e.uniqueID, fourCharCode('N', 'o', 'E', 'f'));
    EXPECT_EQ(e.numInputs, 1);
    EXPECT_EQ(e.flags, 1);  // only effFlagsHasEditor: the editor exists without a host
    EXPECT_EQ(plugin.getMasterVersion(), 1);  // no callback: version 1
    EXPECT_EQ(plugin.wantEvents(1), 0);
}

}  // namespace
