// The event path: arbitrary event lists (any type, size, offset, status, data and detune bytes,
// up to 200 events against the queue's 128) through effProcessEvents, arbitrary parameter
// values (NaN, infinities and values outside 0..1 included) through setParameter, and process
// calls of 0 to 2048 frames, in any order. Every output sample must be finite.
#include <vector>

#include "FuzzInput.h"
#include "FuzzPlugin.h"

namespace {

// VstEvents as hosts lay it out, with room for 200 pointers.
struct EventList {
    int32_t numEvents;
    intptr_t reserved;
    vst2::VstEvent* events[200];
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    FuzzPlugin plugin;
    plugin.dispatch(vst2::effMainsChanged, 0, 1);
    std::vector<vst2::VstMidiEvent> midi(200);
    EventList list{};
    int steps = 0;
    while (!in.empty() && steps++ < 64) {
        switch (in.byte() % 4) {
            case 0: {
                const int count = in.byte() % 201;
                for (int i = 0; i < count; ++i) {
                    vst2::VstMidiEvent& m = midi[static_cast<size_t>(i)];
                    m = vst2::VstMidiEvent{};
                    const uint8_t kind = in.byte();
                    m.type = kind % 8 == 0 ? static_cast<int32_t>(in.byte()) : vst2::kVstMidiType;
                    m.byteSize = sizeof m;
                    // Offsets: mostly inside a block, sometimes anything at all.
                    m.deltaFrames =
                        kind % 16 == 1 ? in.value<int32_t>() : in.value<uint16_t>() % 2048;
                    in.take(m.midiData, 3);
                    m.detune = static_cast<char>(in.byte());
                    list.events[i] = reinterpret_cast<vst2::VstEvent*>(&m);
                }
                list.numEvents = count;
                plugin.dispatch(vst2::effProcessEvents, 0, 0, &list);
                break;
            }
            case 1: {
                const auto index = static_cast<int32_t>(in.byte() % 13) - 1;
                plugin.effect->setParameter(plugin.effect, index, in.parameterValue());
                break;
            }
            case 2:
                plugin.render(in.value<uint16_t>() % (FuzzPlugin::kMaxFrames + 1));
                break;
            default:
                // A host that passes no list.
                plugin.dispatch(vst2::effProcessEvents, 0, 0, nullptr);
                break;
        }
    }
    plugin.render(512);
    return 0;
}
