#include "HostRender.h"

#include <algorithm>

#include "TestHost.h"

using namespace vst2;

void HostRender::run(const TestHost& host, int64_t frames) {
    left.assign(static_cast<size_t>(frames), 0.0f);
    right.assign(static_cast<size_t>(frames), 0.0f);
    AEffect* e = host.effect();
    size_t next = 0;
    for (int64_t start = 0; start < frames; start += blockSize) {
        const int32_t n = static_cast<int32_t>(std::min<int64_t>(blockSize, frames - start));
        std::vector<VstMidiEvent> midi;
        for (; next < messages.size() && messages[next].frame < start + n; ++next) {
            VstMidiEvent m{};
            m.type = kVstMidiType;
            m.byteSize = sizeof m;
            m.deltaFrames = static_cast<int32_t>(messages[next].frame - start);
            m.midiData[0] = static_cast<char>(messages[next].status);
            m.midiData[1] = static_cast<char>(messages[next].data1);
            m.midiData[2] = static_cast<char>(messages[next].data2);
            midi.push_back(m);
        }
        if (!midi.empty()) {
            // The record ends in a flexible array: room for every event pointer after it.
            std::vector<unsigned char> storage(sizeof(VstEvents) + midi.size() * sizeof(VstEvent*));
            auto* events = reinterpret_cast<VstEvents*>(storage.data());
            events->numEvents = static_cast<int32_t>(midi.size());
            VstEvent** const slots = events->events;  // runs on past the two declared entries
            for (size_t i = 0; i < midi.size(); ++i) {
                slots[i] = reinterpret_cast<VstEvent*>(&midi[i]);
            }
            host.dispatch(effProcessEvents, 0, 0, events);
        }
        float* outputs[2] = {left.data() + start, right.data() + start};
        e->processReplacing(e, nullptr, outputs, n);
    }
}
