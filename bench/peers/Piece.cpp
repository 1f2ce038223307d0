#include "Piece.h"

#include "BlockScheduler.h"
#include "MidiFile.h"
#include "TempoMap.h"

namespace {
constexpr int kQueueCapacity = 128;  // the engine's event queue
}

Piece::Piece(std::string name, const std::string& path) : label(std::move(name)) {
    const MidiFile midi = MidiFile::load(path);
    const TempoMap tempo(midi.division(), midi.tempoChanges());
    std::vector<ScheduledEvent> events;
    for (const MidiEvent& e : midi.events()) {
        events.push_back(ScheduledEvent{tempo.frameAt(e.tick, kRate), e});
    }
    const int64_t end = events.empty() ? 0 : events.back().frame;
    BlockScheduler scheduler(events, end + 2 * int64_t{kRate}, kHostBlock, kQueueCapacity);
    totalFrames = scheduler.totalFrames();
    Block b;
    while (scheduler.next(b)) {
        HostBlock block;
        block.frames = b.frames;
        for (size_t i = 0; i < b.eventCount; ++i) {
            const ScheduledEvent& s = scheduler.events()[b.firstEvent + i];
            block.events.push_back(BlockEvent{static_cast<int>(s.frame - b.start), s.event.status,
                                              s.event.data1, s.event.data2});
        }
        hostBlocks.push_back(std::move(block));
    }
}
