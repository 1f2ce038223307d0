#include "PianoPlugin.h"

#include <cmath>
#include <cstring>
#include <new>

#include "FrameworkStartup.h"
#include "Parameter.h"
#include "PianoCore.h"
#include "PianoModule.h"
#include "PluginEditor.h"

namespace {

constexpr const char* kEffectName = "Orvane Piano";
constexpr const char* kVendorName = "Orvane";
constexpr const char* kProductName = "qorin";
constexpr const char* kDefaultProgramName = "Default";
// Fallback texts for a slot without a parameter.
constexpr const char* kNoParameterName = "Orvane VST";
constexpr const char* kNoParameterLabel = "         ";
constexpr const char* kNoParameterDisplay = "     ";
// Longest unit text handed to the host (hosts give at least 8 bytes; our units are shorter).
constexpr int32_t kUnitLength = 7;
constexpr int32_t kOutputPins = 2;

}  // namespace

vst2::AEffect* PianoPlugin::createEffect(vst2::audioMasterCallback audioMaster) noexcept {
    if (audioMaster == nullptr ||
        audioMaster(nullptr, vst2::audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) {
        return nullptr;
    }
    if (!FrameworkStartup::run()) {
        return nullptr;
    }
    try {
        auto* plugin = new PianoPlugin(audioMaster);
        return plugin->getAeffect();
    } catch (...) {
        return nullptr;
    }
}

PianoPlugin::PianoPlugin(vst2::audioMasterCallback callback)
    : PianoPlugin(callback, std::make_unique<PianoCore>()) {}

PianoPlugin::PianoPlugin(vst2::audioMasterCallback callback, std::unique_ptr<PianoCore> core)
    : PianoPlugin(callback, std::make_unique<PianoModule>(std::move(core))) {}

PianoPlugin::PianoPlugin(vst2::audioMasterCallback callback, std::unique_ptr<PianoModule> engine)
    : AudioEffectX(callback, kProgramCount, kParameterCount), module(std::move(engine)) {
    if (callback != nullptr) {
        setNumInputs(0);
        setNumOutputs(2);
        canProcessReplacing(true);
        hasVu(false);
        hasClip(false);
        isSynth(true);
        programsAreChunks(true);
        setUniqueID(kUniqueId);
    }
    std::strncpy(programName, kDefaultProgramName, kProgramNameSize - 1);
    if (!module) {
        module = std::make_unique<PianoModule>();
    }
    module->setChannels(1, 2);
    module->setup();
    module->setHost(this);
    try {
        editor = std::make_unique<PluginEditor>(this, module.get());
    } catch (...) {
        editor.reset();  // no editor: the editor opcodes answer 0
    }
    setFlag(vst2::effFlagsHasEditor, editor != nullptr);
    module->reset();
}

PianoPlugin::~PianoPlugin() {
    // The editor draws the module's parameters: it goes first.
    editor.reset();
    module.reset();
    chunkBuffer.reset();
}

void PianoPlugin::setParameter(int32_t index, float value) noexcept {
    Parameter* p = module->parameterAt(index);
    if (p == nullptr || !std::isfinite(value)) {
        return;
    }
    p->setNormalisedValue(value, true);
    if (editor) {
        editor->postUpdate();
    }
}

float PianoPlugin::getParameter(int32_t index) noexcept {
    const Parameter* p = module->parameterAt(index);
    return p != nullptr ? p->normalisedValue() : 0.0f;
}

void PianoPlugin::parameterEdited(int32_t index, float normalised) {
    setParameterAutomated(index, normalised);
}

void PianoPlugin::process(float**, float** outputs, int32_t sampleFrames) noexcept {
    if (outputs != nullptr) {
        module->renderStereo(outputs[0], outputs[1], sampleFrames);
    }
}

void PianoPlugin::processReplacing(float** inputs, float** outputs, int32_t sampleFrames) noexcept {
    process(inputs, outputs, sampleFrames);
}

intptr_t PianoPlugin::processEvents(vst2::VstEvents* events) noexcept {
    if (events == nullptr) {
        return 1;
    }
    module->setBlockStart(0);
    // The host's pointer array runs on past the two entries the record declares.
    vst2::VstEvent* const* list = events->events;
    for (int32_t i = 0; i < events->numEvents; ++i) {
        const vst2::VstEvent* event = list[i];
        if (event == nullptr || event->type != vst2::kVstMidiType) {
            continue;
        }
        vst2::VstMidiEvent midi;
        std::memcpy(&midi, event, sizeof midi);
        uint8_t bytes[3];
        std::memcpy(bytes, midi.midiData, sizeof bytes);
        module->midiMessage(bytes, sizeof bytes,
                            static_cast<int>(static_cast<signed char>(midi.detune)),
                            midi.deltaFrames);
    }
    return 1;
}

void PianoPlugin::setProgramName(const char* name) {
    if (name != nullptr) {
        std::strncpy(programName, name, kProgramNameSize - 1);
        programName[kProgramNameSize - 1] = '\0';
    }
}

void PianoPlugin::getProgramName(char* name) {
    if (name != nullptr) {
        std::memcpy(name, programName, std::strlen(programName) + 1);
    }
}

void PianoPlugin::getParameterLabel(int32_t index, char* label) {
    if (label == nullptr) {
        return;
    }
    if (const Parameter* p = module->parameterAt(index)) {
        p->getUnit(label, kUnitLength);
    } else {
        std::strcpy(label, kNoParameterLabel);
    }
}

void PianoPlugin::getParameterDisplay(int32_t index, char* text) {
    if (text == nullptr) {
        return;
    }
    if (Parameter* p = module->parameterAt(index)) {
        p->formatValue(text, kDisplayLength, p->value());
    } else {
        std::strcpy(text, kNoParameterDisplay);
    }
}

void PianoPlugin::getParameterName(int32_t index, char* text) {
    if (text == nullptr) {
        return;
    }
    const Parameter* p = module->parameterAt(index);
    std::strcpy(text, p != nullptr ? p->name() : kNoParameterName);
}

intptr_t PianoPlugin::getChunk(void** data, bool) {
    const int32_t size = module->chunkSize();
    chunkBuffer.reset();
    chunkBuffer.reset(new (std::nothrow) uint8_t[static_cast<size_t>(size)]);
    if (!chunkBuffer) {
        if (data != nullptr) {
            *data = nullptr;
        }
        return 0;
    }
    module->writeChunk(chunkBuffer.get());
    if (data != nullptr) {
        *data = chunkBuffer.get();
    }
    return size;
}

intptr_t PianoPlugin::setChunk(void* data, intptr_t byteSize, bool) {
    module->readChunk(data, byteSize);
    if (editor) {
        editor->postUpdate();
    }
    return byteSize;
}

void PianoPlugin::setSampleRate(float rate) {
    sampleRate = rate;
    hostSampleRate = rate;
    module->setSampleRate(rate);
}

void PianoPlugin::setBlockSize(int32_t frames) {
    blockSize = frames;
}

bool PianoPlugin::setBlockSizeAndSampleRate(int32_t frames, float rate) {
    setBlockSize(frames);
    setSampleRate(rate);
    return true;
}

void PianoPlugin::resume() {
    wantEvents(1);
    module->reset();
}

bool PianoPlugin::getOutputProperties(int32_t index, vst2::VstPinProperties* properties) {
    if (properties == nullptr || index < 0 || index >= kOutputPins) {
        return false;
    }
    std::memset(properties->label, 0, sizeof properties->label);
    std::strcpy(properties->label, kProductName);
    properties->flags = vst2::kVstPinIsActive | vst2::kVstPinIsStereo;
    return true;
}

bool PianoPlugin::getEffectName(char* name) {
    if (name == nullptr) {
        return false;
    }
    std::strcpy(name, kEffectName);
    return true;
}

bool PianoPlugin::getVendorString(char* text) {
    if (text == nullptr) {
        return false;
    }
    std::strcpy(text, kVendorName);
    return true;
}

bool PianoPlugin::getProductString(char* text) {
    if (text == nullptr) {
        return false;
    }
    std::strcpy(text, kProductName);
    return true;
}

intptr_t PianoPlugin::canDo(const char* text) {
    if (text == nullptr) {
        return 0;
    }
    return std::strcmp(text, "receiveVstEvents") == 0 ||
                   std::strcmp(text, "receiveVstMidiEvent") == 0
               ? 1
               : -1;
}
