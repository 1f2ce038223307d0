// A stand-in VST 2.x instrument for the renderer's tests. Every note-on becomes one marker
// sample at its deltaFrames: velocity / 128 * "Level" added to the left channel and note / 128
// to the right, both exact binary fractions, so a test finds each event's frame and identity
// in the written file. "Bias" is added to every left sample, which shows when a parameter
// reached the plug-in. The chunk is the two parameter values as 32-bit floats.
#include <cstdio>
#include <cstring>

#include "vst2/Vst2Abi.h"

namespace {

class MarkerPlugin {
public:
    MarkerPlugin() {
        effect.magic = vst2::kEffectMagic;
        effect.dispatcher = &MarkerPlugin::dispatcher;
        effect.process = effect.processReplacing = &MarkerPlugin::processReplacing;
        effect.setParameter = [](vst2::AEffect* e, int32_t i, float v) { *self(e).value(i) = v; };
        effect.getParameter = [](vst2::AEffect* e, int32_t i) { return *self(e).value(i); };
        effect.numPrograms = 1;
        effect.numParams = 2;
        effect.numOutputs = 2;
        effect.flags =
            vst2::effFlagsCanReplacing | vst2::effFlagsProgramChunks | vst2::effFlagsIsSynth;
        effect.ioRatio = 1.0f;
        effect.object = this;
        effect.uniqueID = vst2::fourCharCode('M', 'r', 'k', 'r');
        effect.version = 1;
    }

    vst2::AEffect effect{};

private:
    static MarkerPlugin& self(vst2::AEffect* e) { return *static_cast<MarkerPlugin*>(e->object); }
    float* value(int32_t index) { return index == 0 ? &parameters[0] : &parameters[1]; }

    static intptr_t dispatcher(vst2::AEffect* e, int32_t opcode, int32_t index, intptr_t size,
                               void* ptr, float) {
        MarkerPlugin& p = self(e);
        auto* text = static_cast<char*>(ptr);
        switch (opcode) {
            case vst2::effClose:
                delete &p;
                return 1;
            case vst2::effGetParamName:
                std::strcpy(text, index == 0 ? "Level" : "Bias");
                return 0;
            case vst2::effGetParamLabel:
                std::strcpy(text, "x");
                return 0;
            case vst2::effGetParamDisplay:
                std::snprintf(text, 8, "%.3f", double(*p.value(index)));
                return 0;
            case vst2::effGetEffectName:
                std::strcpy(text, "Marker");
                return 1;
            case vst2::effGetChunk:
                *static_cast<void**>(ptr) = p.parameters;
                return sizeof p.parameters;
            case vst2::effSetChunk:
                if (size == sizeof p.parameters) {
                    std::memcpy(p.parameters, ptr, sizeof p.parameters);
                }
                return size;
            case vst2::effProcessEvents: {
                const auto* list = static_cast<const vst2::VstEvents*>(ptr);
                // The pointer array runs on past the two entries the record declares.
                vst2::VstEvent* const* pointers = list->events;
                for (int32_t i = 0; i < list->numEvents && p.pending < kMaxPending; ++i) {
                    if (pointers[i]->type == vst2::kVstMidiType) {
                        std::memcpy(&p.events[p.pending++], pointers[i], sizeof(p.events[0]));
                    }
                }
                return 1;
            }
            default:
                return 0;
        }
    }

    static void processReplacing(vst2::AEffect* e, float**, float** outputs, int32_t frames) {
        MarkerPlugin& p = self(e);
        for (int32_t i = 0; i < frames; ++i) {
            outputs[0][i] = p.parameters[1];
            outputs[1][i] = 0.0f;
        }
        for (int i = 0; i < p.pending; ++i) {
            const vst2::VstMidiEvent& m = p.events[i];
            const int velocity = m.midiData[2] & 0x7F;
            if ((m.midiData[0] & 0xF0) == 0x90 && velocity > 0 && m.deltaFrames >= 0 &&
                m.deltaFrames < frames) {
                outputs[0][m.deltaFrames] += p.parameters[0] * float(velocity) / 128.0f;
                outputs[1][m.deltaFrames] += float(m.midiData[1] & 0x7F) / 128.0f;
            }
        }
        p.pending = 0;
    }

    static constexpr int kMaxPending = 1024;
    float parameters[2] = {1.0f, 0.0f};  // "Level", "Bias"
    int pending = 0;
    vst2::VstMidiEvent events[kMaxPending] = {};
};

}  // namespace

extern "C" __attribute__((visibility("default"))) vst2::AEffect* VSTPluginMain(
    vst2::audioMasterCallback host) {
#ifdef MARKER_REFUSES
    (void)host;
    return nullptr;
#else
    if (host == nullptr || host(nullptr, vst2::audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) {
        return nullptr;
    }
    return &(new MarkerPlugin)->effect;
#endif
}
