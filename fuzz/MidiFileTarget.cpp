// The renderer's MIDI file reader on arbitrary bytes: it either throws MidiFileError or gives
// events ordered by tick, which the tempo map places on frames that never go backwards and the
// block scheduler cuts into blocks that hand over every event exactly once.
#include <cstdlib>
#include <span>

#include "BlockScheduler.h"
#include "MidiFile.h"
#include "MidiFileError.h"
#include "TempoMap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        const MidiFile file = MidiFile::parse(std::span<const uint8_t>(data, size));
        const TempoMap tempo(file.division(), file.tempoChanges());
        std::vector<ScheduledEvent> schedule;
        uint64_t lastTick = 0;
        int64_t lastFrame = 0;
        for (const MidiEvent& e : file.events()) {
            const int64_t frame = tempo.frameAt(e.tick, 44100);
            if (e.tick < lastTick || frame < lastFrame || e.tick > file.endTick()) {
                std::abort();
            }
            lastTick = e.tick;
            lastFrame = frame;
            schedule.push_back(ScheduledEvent{frame, e});
        }
        // Blocks of 512 frames from the first event's frame on (bounded in number: a file can
        // place its events hours apart).
        const size_t count = schedule.size();
        const int64_t first = count != 0 ? schedule.front().frame : 0;
        for (ScheduledEvent& s : schedule) {
            s.frame -= first;
        }
        BlockScheduler scheduler(std::move(schedule), 0, 512, 128);
        Block block;
        size_t delivered = 0;
        for (int b = 0; b < 100000 && scheduler.next(block); ++b) {
            if (block.firstEvent != delivered || block.eventCount > 128) {
                std::abort();
            }
            delivered += block.eventCount;
        }
        if (delivered > count) {
            std::abort();
        }
    } catch (const MidiFileError&) {
        // A malformed file is refused with its reason: the expected answer.
    }
    return 0;
}
