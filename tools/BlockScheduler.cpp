#include "BlockScheduler.h"

#include <algorithm>

BlockScheduler::BlockScheduler(std::vector<ScheduledEvent> events, int64_t totalFrames,
                               int blockSizeFrames, int maxEventsPerBlock)
    : schedule(std::move(events)),
      total(std::max<int64_t>(totalFrames, 0)),
      blockSize(std::max(blockSizeFrames, 1)),
      maxEvents(static_cast<size_t>(std::max(maxEventsPerBlock, 1))) {
    for (ScheduledEvent& e : schedule) {
        e.frame = std::max<int64_t>(e.frame, 0);
    }
    if (!schedule.empty()) {
        total = std::max(total, schedule.back().frame + 1);
    }
}

bool BlockScheduler::next(Block& block) {
    if (position >= total && nextEvent >= schedule.size()) {
        return false;
    }
    block.start = position;
    int64_t end = std::min(position + blockSize, total);
    block.firstEvent = nextEvent;
    size_t last = nextEvent;
    while (last < schedule.size() && schedule[last].frame < end) {
        if (last - nextEvent == maxEvents) {
            // The queue is full: the block ends on the frame of the first event that does not
            // fit, and gives back the events on that frame, which belong to the next block.
            const int64_t cut = schedule[last].frame;
            if (cut > position) {
                while (last > nextEvent && schedule[last - 1].frame == cut) {
                    --last;
                }
                end = cut;
            } else {
                end = position;  // more events on this one frame than fit: a block of 0 frames
            }
            break;
        }
        ++last;
    }
    block.eventCount = last - nextEvent;
    block.frames = static_cast<int>(end - position);
    nextEvent = last;
    position = end;
    return true;
}
