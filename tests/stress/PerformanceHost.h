#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "BlockScheduler.h"
#include "vst2/Vst2Abi.h"

// The host side of a performance: a MIDI file read with the renderer's reader, placed on audio
// frames with its tempo map and cut into host blocks of at most blockSize frames and at most
// 128 events, exactly as the renderer drives a plug-in. Each block's events are handed over
// as a VstEvents list in storage made once up front, so stepping through blocks allocates
// nothing.
class PerformanceHost {
public:
    static constexpr int kMaxEvents = 128;  // the plug-in's queue
    static constexpr uint32_t kSampleRate = 44100;

    PerformanceHost(const std::vector<uint8_t>& midiFile, int blockSize);

    // Moves to the next block; false when the performance is over.
    bool next();
    int frames() const { return block.frames; }
    int64_t start() const { return block.start; }
    int eventCount() const { return list.numEvents; }
    vst2::VstEvents* events() { return reinterpret_cast<vst2::VstEvents*>(&list); }
    int64_t totalFrames() const { return scheduler->totalFrames(); }
    size_t scheduledEvents() const { return scheduler->events().size(); }

private:
    // The layout of VstEvents with room for the whole queue's pointers, as hosts build it.
    struct EventList {
        int32_t numEvents;
        intptr_t reserved;
        vst2::VstEvent* events[kMaxEvents];
    };
    static_assert(offsetof(EventList, events) == offsetof(vst2::VstEvents, events));

    std::unique_ptr<BlockScheduler> scheduler;
    Block block;
    EventList list{};
    std::array<vst2::VstMidiEvent, kMaxEvents> midi{};
};
