#include "PerformanceHost.h"

#include <span>

#include "MidiFile.h"
#include "TempoMap.h"

PerformanceHost::PerformanceHost(const std::vector<uint8_t>& midiFile, int blockSize) {
    const MidiFile file = MidiFile::parse(std::span<const uint8_t>(midiFile));
    const TempoMap tempo(file.division(), file.tempoChanges());
    std::vector<ScheduledEvent> schedule;
    schedule.reserve(file.events().size());
    for (const MidiEvent& e : file.events()) {
        schedule.push_back(ScheduledEvent{tempo.frameAt(e.tick, kSampleRate), e});
    }
    const int64_t total = tempo.frameAt(file.endTick(), kSampleRate);
    scheduler = std::make_unique<BlockScheduler>(std::move(schedule), total, blockSize, kMaxEvents);
    for (size_t i = 0; i < kMaxEvents; ++i) {
        list.events[i] = reinterpret_cast<vst2::VstEvent*>(&midi[i]);
    }
}

bool PerformanceHost::next() {
    if (!scheduler->next(block)) {
        return false;
    }
    const std::vector<ScheduledEvent>& all = scheduler->events();
    for (size_t i = 0; i < block.eventCount; ++i) {
        const ScheduledEvent& s = all[block.firstEvent + i];
        vst2::VstMidiEvent& m = midi[i];
        m = vst2::VstMidiEvent{};
        m.type = vst2::kVstMidiType;
        m.byteSize = sizeof m;
        m.deltaFrames = static_cast<int32_t>(s.frame - block.start);
        m.midiData[0] = static_cast<char>(s.event.status);
        m.midiData[1] = static_cast<char>(s.event.data1);
        m.midiData[2] = static_cast<char>(s.event.data2);
    }
    list.numEvents = static_cast<int32_t>(block.eventCount);
    return true;
}
