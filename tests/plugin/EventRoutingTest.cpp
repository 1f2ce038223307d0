// The road of a note: effProcessEvents strips the channel and masks the data bytes, keeps the
// detune byte's sign and the offset, and skips what is not MIDI; bad blocks render nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "PianoModule.h"
#include "PianoPlugin.h"

namespace {

using namespace vst2;

constexpr int32_t kFrames = 512;
using Channel = std::vector<float>;

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
        std::copy(pointers.begin(), pointers.end(), slots);
    }
    std::vector<uint8_t> storage;
    VstEvents* list;
};

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

TEST(EventRouting, BadBlocksRenderNothing) {
    PianoPlugin plugin(nullptr);
    AEffect* effect = plugin.getAeffect();
    Channel left(kFrames, 7.0f), right(kFrames, 7.0f);
    float* outputs[2] = {left.data(), right.data()};
    float* halfMissing[2] = {left.data(), nullptr};
    effect->processReplacing(effect, nullptr, outputs, -5);
    effect->process(effect, nullptr, nullptr, kFrames);
    effect->processReplacing(effect, nullptr, halfMissing, kFrames);
    EXPECT_EQ(left, Channel(kFrames, 7.0f));
    EXPECT_EQ(right, Channel(kFrames, 7.0f));
}

}  // namespace
