#include "PianoModule.h"

#include <algorithm>
#include <cstring>

#include "Application.h"
#include "EditorEvent.h"
#include "EmbeddedResources.h"
#include "EngineValue.h"
#include "FloatingPointEnvironment.h"
#include "FrameworkStartup.h"
#include "InstrumentHost.h"
#include "KneeParameter.h"
#include "LinearParameter.h"
#include "LogParameter.h"
#include "ModuleEditor.h"
#include "PianoCore.h"

namespace {

// The engine value that the parameter of each slot 1 to 10 feeds (slot 0 unused).
constexpr std::array<EngineValue, PianoModule::kSlotCount> kSlotValue = {
    EngineValue::kVoicingSet,   EngineValue::kDecay,        EngineValue::kRelease,
    EngineValue::kBellVolume,   EngineValue::kDamperVolume, EngineValue::kStereoSpread,
    EngineValue::kVoices,       EngineValue::kTune,         EngineValue::kTremoloRate,
    EngineValue::kTremoloDepth, EngineValue::kTremoloStereo};

// Fixed engine values: stretch tuning below and above note 60, random detune spread.
constexpr float kStretchAmount = 0.1f;
constexpr float kRandomDetune = 0.4f;

// Chunk layout: byte offsets of the header fields and the eleven value words.
constexpr size_t kSizeOffset = 0;
constexpr size_t kVersionOffset = 4;
constexpr size_t kByteOrderOffset = 6;
constexpr size_t kReservedOffset = 7;
constexpr size_t kCountOffset = 8;
constexpr size_t kMakerOffset = 12;
constexpr size_t kKindOffset = 16;
constexpr size_t kModelOffset = 20;
constexpr size_t kValuesOffset = 24;

template <typename T>
void put(uint8_t* bytes, size_t offset, T v) noexcept {
    std::memcpy(bytes + offset, &v, sizeof v);
}

template <typename T>
T get(const uint8_t* bytes, size_t offset) noexcept {
    T v{};
    std::memcpy(&v, bytes + offset, sizeof v);
    return v;
}

}  // namespace

PianoModule::PianoModule() : PianoModule(std::make_unique<PianoCore>()) {}

PianoModule::PianoModule(std::unique_ptr<PianoCore> engine) : core(std::move(engine)) {}

PianoModule::~PianoModule() {
    editorPart.reset();  // its window shows the parameters: it goes first
    core.reset();
    for (auto& slot : slots) {
        slot.reset();
    }
}

Parameter* PianoModule::parameterAt(int32_t index) const noexcept {
    return index > 0 && index < kSlotCount ? slots[static_cast<size_t>(index)].get() : nullptr;
}

bool PianoModule::setup() {
    if (!core) {
        return false;
    }
    const int status = core->setup(inputChannels, outputChannels, sampleRate);
    FloatingPointEnvironment::setControlWord();
    pending.fill(0.0f);
    applied.fill(0.0f);

    ParameterOwner* owner = this;
    slots[1] =
        std::make_unique<LogParameter>("Decay", "Decay", "%", 10.0f, 1000.0f, 100, owner, false);
    slots[2] = std::make_unique<LogParameter>("Release", "Release", "%", 10.0f, 1000.0f, 100, owner,
                                              false);
    slots[3] = std::make_unique<KneeParameter>("Bell Volume", "Bell Vol", "", 0.0f, 1.0f, 10.0f, 50,
                                               100, owner, false);
    slots[4] = std::make_unique<KneeParameter>("Damper Volume", "Damper Vol", "", 0.0f, 1.0f, 10.0f,
                                               50, 100, owner, false);
    slots[5] =
        std::make_unique<LinearParameter>("Stereo", "Stereo", "", 0.0f, 100.0f, 100, owner, false);
    slots[6] =
        std::make_unique<LinearParameter>("Voices", "Voices", "", 1.0f, 73.0f, 72, owner, false);
    slots[7] =
        std::make_unique<LinearParameter>("Tune", "Tune", "", -50.0f, 50.0f, 100, owner, false);
    slots[8] = std::make_unique<LinearParameter>("Tremolo Rate", "Rate", "Hz", 0.0f, 8.0f, 120,
                                                 owner, false);
    slots[9] = std::make_unique<LinearParameter>("Tremolo Depth", "Depth", "%", 0.0f, 100.0f, 100,
                                                 owner, false);
    slots[10] = std::make_unique<LinearParameter>("Tremolo Stereo", "Stereo", "%", 0.0f, 180.0f, 18,
                                                  owner, false);
    for (int32_t i = 1; i < kSlotCount; ++i) {
        chunkList[static_cast<size_t>(i - 1)] = slots[static_cast<size_t>(i)].get();
    }

    setDefaults(std::make_unique<ValueTable>(
        "Filter", "", std::initializer_list<double>{0, 100, 100, 1, 1, 100, 20, 0, 0, 0, 180}));
    loadDefaults(0);
    applyParameters();
    return status == 0;
}

bool PianoModule::reset() noexcept {
    const int status = core ? core->reset() : -1;
    FloatingPointEnvironment::setControlWord();
    return status == 0;
}

void PianoModule::applyParameters() noexcept {
    sendParameters(false);
}

void PianoModule::sendParameters(bool everyGroup) noexcept {
    if (!core) {
        return;
    }
    for (int32_t i = 1; i < kSlotCount; ++i) {
        if (const Parameter* p = slots[static_cast<size_t>(i)].get()) {
            pending[static_cast<size_t>(indexOf(kSlotValue[static_cast<size_t>(i)]))] =
                p->realValue();
        }
    }
    int32_t sum = 0;
    int32_t changed = 0;
    for (int32_t i = 0; i < kValueCount; ++i) {
        const size_t k = static_cast<size_t>(i);
        if (pending[k] != applied[k]) {
            sum += i + 1;
            ++changed;
        }
        applied[k] = pending[k];
    }

    float values[PianoCore::kValueCount];
    std::copy(pending.begin(), pending.end(), values);
    values[indexOf(EngineValue::kStretchLow)] = kStretchAmount;
    values[indexOf(EngineValue::kStretchHigh)] = kStretchAmount;
    values[indexOf(EngineValue::kRandomDetune)] = kRandomDetune;
    values[indexOf(EngineValue::kSampleRate)] = sampleRate;
    // A sum of several positions would name some other single group: apply them all.
    const int32_t selector = everyGroup || changed > 1 ? kEveryGroup : sum;
    core->applyParameters(values, selector);
}

void PianoModule::render(const ChannelBuffers& input, ChannelBuffers& output) noexcept {
    if (!core) {
        return;
    }
    const int32_t changes = takeChanges();
    const float rate = hostRate.load(std::memory_order_relaxed);
    if (rate != sampleRate) {
        sampleRate = rate;
        core->setSampleRate(rate);
        sendParameters(true);
    } else if (changes != 0) {
        sendParameters(false);
    }
    core->setPosition(blockStart);
    core->render(input, output);
}

void PianoModule::noteEvent(int status, int data1, int data2, int detune, int time) noexcept {
    if (core) {
        core->queueEvent(status, data1, data2, detune, time);
    }
}

void PianoModule::midiMessage(const uint8_t* bytes, size_t size, int detune, int time) noexcept {
    if (bytes == nullptr || size == 0) {
        return;
    }
    const int data1 = size > 1 ? bytes[1] & 0x7F : 0;
    const int data2 = size > 2 ? bytes[2] & 0x7F : 0;
    noteEvent(bytes[0] & 0xF0, data1, data2, detune, time);
}

void PianoModule::renderStereo(float* left, float* right, int32_t frames) noexcept {
    FloatingPointEnvironment::DenormalGuard guard;
    if (frames < 0 || left == nullptr || right == nullptr) {
        return;
    }
    ChannelBuffers output;
    output[0] = ChannelBuffer{left, 1, frames};
    output[1] = ChannelBuffer{right, 1, frames};
    // No inputs: the engine's input record names the output channels.
    const ChannelBuffers input = output;
    render(input, output);
}

void PianoModule::notifyHost(int32_t index) {
    const Parameter* p = parameterAt(index);
    if (host != nullptr) {
        host->parameterEdited(index, p != nullptr ? p->normalisedValue() : 0.0f);
    }
}

int32_t PianoModule::writeChunk(uint8_t* buffer) const noexcept {
    if (buffer == nullptr) {
        return 0;
    }
    std::memset(buffer, 0, kChunkSize);
    put<uint32_t>(buffer, kSizeOffset, kChunkSize);
    put<uint16_t>(buffer, kVersionOffset, kChunkVersion);
    put<int32_t>(buffer, kCountOffset, kChunkValueCount);
    put<int32_t>(buffer, kMakerOffset, kMakerTag);
    put<int32_t>(buffer, kKindOffset, kKindTag);
    put<int32_t>(buffer, kModelOffset, kModelNumber);
    for (size_t k = 0; k < chunkList.size(); ++k) {
        const float v = chunkList[k] != nullptr ? chunkList[k]->realValue() : 0.0f;
        put<float>(buffer, kValuesOffset + 4 * (k + 1), v);
    }
    return kChunkSize;
}

bool PianoModule::readChunk(const void* data, intptr_t size) noexcept {
    if (data == nullptr || size < kChunkSize) {
        return false;
    }
    uint8_t bytes[kChunkSize];
    std::memcpy(bytes, data, sizeof bytes);
    if (bytes[kByteOrderOffset] != 0) {
        // Written in the other byte order: turn every multi-byte field around.
        std::reverse(bytes + kSizeOffset, bytes + kSizeOffset + 4);
        std::reverse(bytes + kVersionOffset, bytes + kVersionOffset + 2);
        for (size_t offset = kCountOffset; offset < sizeof bytes; offset += 4) {
            std::reverse(bytes + offset, bytes + offset + 4);
        }
    }
    if (get<uint32_t>(bytes, kSizeOffset) != static_cast<uint32_t>(kChunkSize) ||
        get<uint16_t>(bytes, kVersionOffset) != kChunkVersion || bytes[kReservedOffset] != 0 ||
        get<int32_t>(bytes, kCountOffset) != kChunkValueCount ||
        get<int32_t>(bytes, kMakerOffset) != kMakerTag ||
        get<int32_t>(bytes, kKindOffset) != kKindTag ||
        get<int32_t>(bytes, kModelOffset) != kModelNumber) {
        return false;
    }
    // Each real value goes back to a step by its kind's inverse mapping; a value outside the
    // range (or not finite) leaves its parameter as it was.
    for (size_t k = 0; k < chunkList.size(); ++k) {
        if (chunkList[k] != nullptr) {
            chunkList[k]->setRealValue(get<float>(bytes, kValuesOffset + 4 * (k + 1)), true);
        }
    }
    return true;
}

ModuleEditor* PianoModule::editorState() {
    if (!editorPart) {
        Application* application = FrameworkStartup::application();
        if (application == nullptr) {
            return nullptr;
        }
        editorPart = std::make_unique<ModuleEditor>(
            *application, *this,
            ModuleEditor::Resources{
                &EmbeddedResources::background(), &EmbeddedResources::largeKnobStrip(),
                &EmbeddedResources::smallKnobStrip(), &EmbeddedResources::displayFont()});
    }
    return editorPart.get();
}

bool PianoModule::openEditor(void* parent, int32_t flag) {
    ModuleEditor* e = editorState();
    return e != nullptr && e->open(parent, flag);
}

bool PianoModule::closeEditor() {
    return editorPart && editorPart->close();
}

bool PianoModule::getEditorRect(int32_t* rect) {
    ModuleEditor* e = editorState();
    return e != nullptr && e->getRect(rect);
}

bool PianoModule::setEditorPosition(const int32_t* position) {
    ModuleEditor* e = editorState();
    return e != nullptr && e->setPosition(position);
}

bool PianoModule::handleEditorEvent(const EditorEvent* event) {
    return editorPart && editorPart->handleEvent(event);
}

void PianoModule::idleEditor() {
    const EditorEvent idle = EditorEvent::stamped(EditorEvent::kIdle);
    handleEditorEvent(&idle);
    if (Application* application = FrameworkStartup::application()) {
        application->idleStep();
    }
}

std::string PianoModule::parameterName(int32_t n) const {
    const Parameter* p = parameterAt(n);
    return p != nullptr ? p->name() : "";
}

int32_t PianoModule::parameterStepCount(int32_t n) const {
    const Parameter* p = parameterAt(n);
    return p != nullptr ? p->stepCount() : 0;
}

int32_t PianoModule::parameterValue(int32_t n) const {
    const Parameter* p = parameterAt(n);
    return p != nullptr ? p->value() : 0;
}

float PianoModule::parameterRealValue(int32_t n) const {
    const Parameter* p = parameterAt(n);
    return p != nullptr ? p->realValue() : 0.0f;
}

std::string PianoModule::parameterText(int32_t n, int32_t step) const {
    Parameter* p = parameterAt(n);
    char text[256] = {};
    if (p != nullptr) {
        p->formatValue(text, 255, step);
    }
    return text;
}

std::string PianoModule::parameterUnit(int32_t n) const {
    const Parameter* p = parameterAt(n);
    char text[32] = {};
    if (p != nullptr) {
        p->getUnit(text, 31);
    }
    return text;
}

void PianoModule::setParameterValue(int32_t n, int32_t step) {
    if (Parameter* p = parameterAt(n)) {
        p->setValue(step, true);
    }
}
