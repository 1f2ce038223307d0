#include "PluginHost.h"

#include <algorithm>
#include <cstring>

#include "SharedLibrary.h"
#include "ToolError.h"

namespace {

using EntryPoint = vst2::AEffect* (*)(vst2::audioMasterCallback);

// The host being constructed: the plug-in may call back before its effect record exists.
PluginHost* hostUnderConstruction = nullptr;

constexpr intptr_t kHostVersion = 2400;
constexpr size_t kTextSize = 256;  // far more than the 8 characters the interface promises

void copyText(void* ptr, const char* text, size_t capacity) {
    if (ptr != nullptr) {
        std::strncpy(static_cast<char*>(ptr), text, capacity - 1);
        static_cast<char*>(ptr)[capacity - 1] = '\0';
    }
}

}  // namespace

PluginHost::PluginHost(const std::string& path, uint32_t sampleRate, int blockSize, int maxEvents)
    : rate(sampleRate), block(blockSize) {
    // A host opens the file it was given (a bare name is a file in the current folder).
    library = std::make_unique<SharedLibrary>(path);
    if (!library->isLoaded()) {
        throw ToolError("cannot load plug-in " + path + ": " + library->loadError());
    }
    auto entry = reinterpret_cast<EntryPoint>(library->symbol("VSTPluginMain"));
    if (entry == nullptr) {
        entry = reinterpret_cast<EntryPoint>(library->symbol("main"));
    }
    if (entry == nullptr) {
        throw ToolError("cannot load plug-in " + path +
                        ": it exports neither VSTPluginMain nor main");
    }
    hostUnderConstruction = this;
    effect = entry(&PluginHost::hostCallback);
    hostUnderConstruction = nullptr;
    std::string failure;
    if (effect == nullptr) {
        failure = "its entry point returned no effect";
    } else if (effect->magic != vst2::kEffectMagic) {
        failure = "it is not a VST 2.x plug-in (wrong magic number)";
    } else if (effect->dispatcher == nullptr || effect->setParameter == nullptr ||
               effect->getParameter == nullptr ||
               (effect->processReplacing == nullptr && effect->process == nullptr)) {
        failure = "its effect record lacks entry functions";
    } else if (effect->numOutputs < 1 || effect->numInputs < 0 || effect->numParams < 0) {
        failure = "it has no audio outputs";
    }
    if (!failure.empty()) {
        // A record that is not a plug-in's cannot be closed safely; only the library is let go.
        effect = nullptr;
        throw ToolError("cannot load plug-in " + path + ": " + failure);
    }
    effect->user = this;

    const size_t capacity = static_cast<size_t>(std::max(maxEvents, 1));
    midiEvents.resize(capacity);
    eventList.assign(2 + capacity, 0);

    dispatch(vst2::effOpen);
    dispatch(vst2::effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
    dispatch(vst2::effSetBlockSize, 0, block);
}

PluginHost::~PluginHost() {
    if (effect != nullptr) {
        suspend();
        dispatch(vst2::effClose);  // the plug-in destroys itself here
        effect = nullptr;
    }
    // The library goes with its member, after the effect is closed.
}

intptr_t PluginHost::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                              float opt) const {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

std::string PluginHost::text(int32_t opcode, int32_t index) const {
    char buffer[kTextSize] = {};
    dispatch(opcode, index, 0, buffer);
    buffer[kTextSize - 1] = '\0';
    return buffer;
}

std::string PluginHost::parameterName(int index) const {
    return text(vst2::effGetParamName, index);
}

std::string PluginHost::parameterLabel(int index) const {
    return text(vst2::effGetParamLabel, index);
}

std::string PluginHost::parameterDisplay(int index) const {
    return text(vst2::effGetParamDisplay, index);
}

std::string PluginHost::effectName() const {
    return text(vst2::effGetEffectName, 0);
}

float PluginHost::parameter(int index) const {
    return effect->getParameter(effect, index);
}

void PluginHost::setParameter(int index, float value) {
    effect->setParameter(effect, index, value);
}

std::vector<uint8_t> PluginHost::chunk() const {
    void* data = nullptr;
    const intptr_t size = dispatch(vst2::effGetChunk, 1, 0, &data);
    if (size <= 0 || data == nullptr) {
        return {};
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

void PluginHost::setChunk(const std::vector<uint8_t>& data) {
    // The plug-in may keep the pointer only for the call; it reads from its own copy.
    std::vector<uint8_t> copy(data);
    dispatch(vst2::effSetChunk, 1, static_cast<intptr_t>(copy.size()), copy.data());
}

void PluginHost::resume() {
    if (!running) {
        dispatch(vst2::effMainsChanged, 0, 1);
        running = true;
    }
}

void PluginHost::suspend() {
    if (running) {
        dispatch(vst2::effMainsChanged, 0, 0);
        running = false;
    }
}

void PluginHost::renderBlock(const ScheduledEvent* events, size_t count, int64_t blockStart,
                             float** inputs, float** outputs, int frames) {
    count = std::min(count, midiEvents.size());
    if (count > 0) {
        auto* list = reinterpret_cast<vst2::VstEvents*>(eventList.data());
        list->numEvents = static_cast<int32_t>(count);
        list->reserved = 0;
        // The pointer array runs on past the two entries the record declares.
        vst2::VstEvent** const pointers = list->events;
        for (size_t i = 0; i < count; ++i) {
            vst2::VstMidiEvent& m = midiEvents[i];
            m = vst2::VstMidiEvent{};
            m.type = vst2::kVstMidiType;
            m.byteSize = sizeof(vst2::VstMidiEvent);
            m.deltaFrames = static_cast<int32_t>(events[i].frame - blockStart);
            m.flags = 1;  // kVstMidiEventIsRealtime: played live, not from a sequencer clip
            m.midiData[0] = static_cast<char>(events[i].event.status);
            m.midiData[1] = static_cast<char>(events[i].event.data1);
            m.midiData[2] = static_cast<char>(events[i].event.data2);
            pointers[i] = reinterpret_cast<vst2::VstEvent*>(&m);
        }
        dispatch(vst2::effProcessEvents, 0, 0, list);
    }
    if (effect->processReplacing != nullptr) {
        effect->processReplacing(effect, inputs, outputs, frames);
        return;
    }
    for (int c = 0; c < effect->numOutputs; ++c) {
        std::fill(outputs[c], outputs[c] + frames, 0.0f);
    }
    effect->process(effect, inputs, outputs, frames);
}

intptr_t PluginHost::hostCallback(vst2::AEffect* effect, int32_t opcode, int32_t /*index*/,
                                  intptr_t /*value*/, void* ptr, float /*opt*/) {
    const PluginHost* host = hostUnderConstruction;
    if (effect != nullptr && effect->user != nullptr) {
        host = static_cast<const PluginHost*>(effect->user);
    }
    switch (opcode) {
        case vst2::audioMasterVersion:
            return kHostVersion;
        case vst2::audioMasterWantMidi:
            return 1;
        case vst2::audioMasterGetSampleRate:
            return host != nullptr ? static_cast<intptr_t>(host->rate) : 0;
        case vst2::audioMasterGetBlockSize:
            return host != nullptr ? static_cast<intptr_t>(host->block) : 0;
        case vst2::audioMasterGetVendorString:
            copyText(ptr, "Orvane", 64);
            return 1;
        case vst2::audioMasterGetProductString:
            copyText(ptr, "orvane-render", 64);
            return 1;
        case vst2::audioMasterGetVendorVersion:
            return 1000;
        case vst2::audioMasterCanDo: {
            const char* what = static_cast<const char*>(ptr);
            if (what != nullptr &&
                (std::strcmp(what, "sendVstEvents") == 0 ||
                 std::strcmp(what, "sendVstMidiEvent") == 0 || std::strcmp(what, "offline") == 0)) {
                return 1;
            }
            return 0;
        }
        default:
            return 0;  // automation reports, idle requests, time queries: nothing to do offline
    }
}
