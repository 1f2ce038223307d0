#pragma once

// A host playing a performance into a fresh plug-in instance, block by block.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "TestHost.h"

struct Message {
    int64_t frame;
    uint8_t status, data1, data2;
};

struct Stereo {
    std::vector<float> left, right;
};

// A fresh instance at `rate` with the host values of parameters 1 to 10 set, playing `messages`
// (in frame order), each delivered with the block of `block` frames it falls in.
inline Stereo play(float rate, int32_t block, const std::vector<Message>& messages, int64_t frames,
                   const std::vector<float>& settings = {}) {
    TestHost host;
    vst2::AEffect* e = host.open();
    EXPECT_NE(e, nullptr) << ORVANE_PLUGIN_PATH;
    host.dispatch(vst2::effOpen);
    host.dispatch(vst2::effSetSampleRate, 0, 0, nullptr, rate);
    host.dispatch(vst2::effSetBlockSize, 0, block);
    host.dispatch(vst2::effMainsChanged, 0, 1);
    for (size_t i = 0; i < settings.size(); ++i) {
        host.set(static_cast<int32_t>(i + 1), settings[i]);
    }
    Stereo out{std::vector<float>(static_cast<size_t>(frames)),
               std::vector<float>(static_cast<size_t>(frames))};
    size_t next = 0;
    for (int64_t start = 0; start < frames; start += block) {
        const auto n = static_cast<int32_t>(std::min<int64_t>(block, frames - start));
        std::vector<vst2::VstMidiEvent> midi;
        for (; next < messages.size() && messages[next].frame < start + n; ++next) {
            const Message& m = messages[next];
            vst2::VstMidiEvent& v = midi.emplace_back();
            v.type = vst2::kVstMidiType;
            v.byteSize = sizeof v;
            v.deltaFrames = static_cast<int32_t>(m.frame - start);
            v.midiData[0] = static_cast<char>(m.status);
            v.midiData[1] = static_cast<char>(m.data1);
            v.midiData[2] = static_cast<char>(m.data2);
        }
        // The record ends in a flexible array: room for every event pointer after it.
        std::vector<vst2::VstEvent*> storage(sizeof(vst2::VstEvents) / sizeof(vst2::VstEvent*) +
                                             midi.size());
        auto* events = reinterpret_cast<vst2::VstEvents*>(storage.data());
        events->numEvents = static_cast<int32_t>(midi.size());
        vst2::VstEvent** const slots = events->events;  // runs on past the two declared entries
        for (size_t i = 0; i < midi.size(); ++i) {
            slots[i] = reinterpret_cast<vst2::VstEvent*>(&midi[i]);
        }
        if (!midi.empty()) {
            host.dispatch(vst2::effProcessEvents, 0, 0, events);
        }
        float* outputs[2] = {out.left.data() + start, out.right.data() + start};
        e->processReplacing(e, nullptr, outputs, n);
    }
    return out;
}
