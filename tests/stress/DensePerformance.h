#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "StressRandom.h"
#include "vst2/Vst2Abi.h"

// A dense random piano performance handed over block by block, as a host hands it: chords and
// clusters of up to 30 notes on one frame, repeated and fast notes over the whole keyboard on
// all sixteen channels, note-offs as note-ons of velocity 0, the sustain pedal, all-notes-off,
// pitch bends, program changes and keys outside the piano's range. The same seed gives the
// same performance everywhere; the event list lives in storage made once, so stepping through
// blocks allocates nothing.
class DensePerformance {
public:
    static constexpr int kMaxEvents = 128;  // the plug-in's queue

    DensePerformance(uint32_t seed, int32_t blockFrames) : random(seed), frames(blockFrames) {
        for (size_t i = 0; i < kMaxEvents; ++i) {
            list.events[i] = reinterpret_cast<vst2::VstEvent*>(&midi[i]);
        }
    }

    // The events of the next block of `frames` frames, in frame order.
    vst2::VstEvents* next() {
        StressRandom& r = random;
        int n = 0;
        int starts[4];
        const int groups = r.chance(10) ? 0 : r.between(1, 4);
        for (int g = 0; g < groups; ++g) {
            starts[g] = r.below(frames);
        }
        std::sort(starts, starts + groups);
        for (int g = 0; g < groups; ++g) {
            const int frame = starts[g];
            const int channel = r.below(16);
            const int kind = r.below(10);
            const int size = kind == 0 ? r.between(3, 30) : 1;  // a chord or cluster
            for (int k = 0; k < size && n < kMaxEvents; ++k) {
                int status = 0x90, data1 = r.between(21, 108), data2 = r.between(1, 127);
                if (kind <= 3) {  // a note-on; repeated keys come from the narrow key range
                    data1 = kind == 3 ? r.between(58, 62) : data1;
                } else if (kind <= 6) {  // a note-off, half of them as note-ons of velocity 0
                    status = r.chance(50) ? 0x80 : 0x90;
                    data2 = status == 0x80 ? r.below(128) : 0;
                } else if (kind == 7) {  // the pedal, now and then all notes off
                    status = 0xB0;
                    data1 = r.chance(5) ? 123 : 64;
                    data2 = r.chance(50) ? r.between(64, 127) : 0;
                } else if (kind == 8) {  // messages the instrument ignores
                    status = r.chance(50) ? 0xE0 : 0xC0;
                    data1 = r.below(128);
                } else {  // keys beyond the keyboard
                    data1 = r.chance(50) ? r.below(21) : r.between(109, 127);
                }
                vst2::VstMidiEvent& m = midi[static_cast<size_t>(n++)];
                m = vst2::VstMidiEvent{};
                m.type = vst2::kVstMidiType;
                m.byteSize = sizeof m;
                m.deltaFrames = frame;
                m.midiData[0] = static_cast<char>(status | channel);
                m.midiData[1] = static_cast<char>(data1);
                m.midiData[2] = static_cast<char>(data2);
            }
        }
        list.numEvents = n;
        return reinterpret_cast<vst2::VstEvents*>(&list);
    }

private:
    // The layout of VstEvents with room for the whole queue's pointers, as hosts build it.
    struct EventList {
        int32_t numEvents;
        intptr_t reserved;
        vst2::VstEvent* events[kMaxEvents];
    };
    static_assert(offsetof(EventList, events) == offsetof(vst2::VstEvents, events));

    StressRandom random;
    int32_t frames;
    EventList list{};
    std::array<vst2::VstMidiEvent, kMaxEvents> midi{};
};
