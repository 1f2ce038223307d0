#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "MidiEvent.h"

// A channel message placed on its audio frame.
struct ScheduledEvent {
    int64_t frame = 0;
    MidiEvent event;
};

// One host block: `frames` frames from `start`, with the events [firstEvent, firstEvent +
// eventCount) of the schedule, each due at deltaFrames = event frame - start.
struct Block {
    int64_t start = 0;
    int frames = 0;
    size_t firstEvent = 0;
    size_t eventCount = 0;
};

// Cuts a render of totalFrames frames into host blocks of blockSize frames and hands each block
// the events whose frames it contains, in schedule order. A block whose events would exceed
// maxEventsPerBlock (the plug-in's queue) ends early, at the frame of the first event that does
// not fit, so no event is lost; when more events than that share one frame, the block holding
// them has 0 frames and the next block starts on the same frame.
class BlockScheduler {
public:
    // events must be ordered by frame; frames before 0 are treated as frame 0. The render is
    // extended to cover the last event's frame.
    BlockScheduler(std::vector<ScheduledEvent> events, int64_t totalFrames, int blockSize,
                   int maxEventsPerBlock);

    // Fills the next block; false when the render is complete.
    bool next(Block& block);

    const std::vector<ScheduledEvent>& events() const { return schedule; }
    int64_t totalFrames() const { return total; }

private:
    std::vector<ScheduledEvent> schedule;
    int64_t total;
    int blockSize;
    size_t maxEvents;
    int64_t position = 0;
    size_t nextEvent = 0;
};
