// The dispatcher: arbitrary opcodes (the 59 known ones and any other number), indices, values
// and opt values, each call with a valid buffer for its pointer, interleaved with process calls
// whose output must stay finite. What a correct host never does is left out: effClose in the
// middle (it destroys the object), and a chunk size larger than the buffer passed with it.
// effEditOpen gets a parent window of the in-memory screen.
#include <algorithm>
#include <cstring>

#include "FuzzInput.h"
#include "FuzzPlugin.h"

namespace {

constexpr size_t kBufferSize = 4096;

struct EventList {
    int32_t numEvents;
    intptr_t reserved;
    vst2::VstEvent* events[4];
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    FuzzPlugin plugin;
    alignas(16) static uint8_t buffer[kBufferSize];
    char parentWindow = 0;
    vst2::VstMidiEvent midi[4] = {};
    EventList list{};
    int calls = 0;
    while (!in.empty() && calls++ < 48) {
        const uint8_t form = in.byte();
        // Mostly the known opcodes, sometimes any 32-bit number.
        const int32_t opcode = form % 8 == 0 ? in.value<int32_t>() : in.byte() % 64;
        const int32_t index = form % 4 == 1 ? in.value<int32_t>() : in.byte() % 16 - 2;
        intptr_t value = form % 4 == 2 ? in.value<intptr_t>() : in.byte() % 8;
        const float opt = form % 2 == 1 ? in.value<float>() : 44100.0f * (in.byte() % 5);

        // The buffer: zeros with a short text from the input at its start (for the calls that
        // read text: program name, capability).
        std::memset(buffer, 0, sizeof buffer);
        in.take(buffer, in.byte() % 48);
        void* ptr = buffer;
        switch (opcode) {
            case vst2::effClose:
                continue;
            case vst2::effEditOpen:
                ptr = form % 16 == 3 ? nullptr : &parentWindow;
                break;
            case vst2::effSetChunk:
                value = std::min<intptr_t>(value, kBufferSize);
                if (form % 16 == 5) {
                    // A chunk the instrument wrote itself, with one byte changed.
                    void* saved = nullptr;
                    plugin.dispatch(vst2::effGetChunk, 0, 0, &saved);
                    std::memcpy(buffer, saved, 68);
                    buffer[in.byte() % 68] ^= in.byte();
                    value = 68;
                }
                break;
            case vst2::effProcessEvents: {
                const int count = in.byte() % 5;
                for (int i = 0; i < count; ++i) {
                    midi[i] = vst2::VstMidiEvent{};
                    midi[i].type = vst2::kVstMidiType;
                    midi[i].byteSize = sizeof midi[i];
                    midi[i].deltaFrames = in.byte();
                    in.take(midi[i].midiData, 3);
                    list.events[i] = reinterpret_cast<vst2::VstEvent*>(&midi[i]);
                }
                list.numEvents = count;
                ptr = &list;
                break;
            }
            default:
                break;
        }
        if (form % 32 == 7 && opcode != vst2::effEditOpen && opcode != vst2::effProcessEvents) {
            ptr = nullptr;  // the pointer-taking calls with no pointer
        }
        plugin.dispatch(opcode, index, value, ptr, opt);
        if (form % 4 == 0) {
            plugin.render(in.byte() * 4);
        }
    }
    plugin.render(256);
    plugin.dispatch(vst2::effEditClose);
    return 0;
}
