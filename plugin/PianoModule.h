#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "ParamModule.h"
#include "ParameterAccess.h"

class ModuleEditor;
class PianoCore;
struct EditorEvent;
class InstrumentHost;

// The engine module of the instrument: it owns the piano engine core and the ten parameters
// (host slots 1 to 10; slot 0 is empty), turns the host's per-block calls into engine work,
// and saves and restores the parameter state as a 68-byte chunk.
//
// Parameter writes from any thread only change a step and raise the change counter; the audio
// thread sends the values to the engine at the start of the next block. The send is steered
// by the change sum: every changed position i of the 22-value record adds i + 1, so a single
// change names its group; several changes apply every group.
//
// The editor (GUI thread) reads and sets the parameters through ParameterAccess; its window,
// made on open and destroyed on close, belongs to the module.
class PianoModule : public ParamModule, public ParameterAccess {
public:
    static constexpr int32_t kSlotCount = 11;
    static constexpr int32_t kValueCount = 22;  // positions of `pending` and `applied`
    static constexpr int32_t kChunkVersion = 1;
    static constexpr int32_t kChunkValueCount = kSlotCount;           // slot 0's value is always 0
    static constexpr int32_t kChunkSize = 24 + 4 * kChunkValueCount;  // header, then the values
    static constexpr int32_t kMakerTag = 0x4F52564E;  // 'ORVN', first letter highest
    static constexpr int32_t kKindTag = 0x53414D50;   // 'SAMP', first letter highest
    static constexpr int32_t kModelNumber = 213;
    static constexpr int32_t kEveryGroup = 23;

    PianoModule();
    // With a given engine core (tests observe what reaches it).
    explicit PianoModule(std::unique_ptr<PianoCore> engine);
    ~PianoModule() override;

    // Fills `pending` from the parameters, works out the change sum and sends the values.
    void applyParameters() noexcept override;
    int32_t parameterCount() const override { return kSlotCount; }
    Parameter* parameterAt(int32_t index) const noexcept override;
    // Audio thread: adopts a new host rate, sends pending changes, renders the block.
    void render(const ChannelBuffers& input, ChannelBuffers& output) noexcept override;
    // Sets the core up, creates the parameters, loads the defaults and sends every value.
    bool setup() override;
    // Silences the engine and sets the floating-point control word of the calling thread.
    bool reset() noexcept override;
    bool supportsChannels(int32_t inputs, int32_t outputs) const override {
        return inputs == 1 && outputs == 2;
    }
    int32_t chunkSize() const override { return kChunkSize; }
    int32_t writeChunk(uint8_t* buffer) const noexcept override;
    bool readChunk(const void* data, intptr_t size) noexcept override;

    // Audio thread: one MIDI event for the engine's queue (channel already stripped).
    virtual void noteEvent(int status, int data1, int data2, int detune, int time) noexcept;
    // Audio thread: a MIDI message of `size` bytes at frame `time` of the block. The channel
    // nibble goes (every channel plays alike); missing data bytes read 0.
    void midiMessage(const uint8_t* bytes, size_t size, int detune, int time) noexcept;
    // Audio thread: the block into the two output channels, denormals flushed to zero.
    void renderStereo(float* left, float* right, int32_t frames) noexcept;
    // Reports an edit of slot index, with its normalised value, to the host.
    void notifyHost(int32_t index) override;

    // Editor operations (GUI thread).
    bool openEditor(void* parent, int32_t flag);
    bool closeEditor();
    // Writes left, top, right, bottom: 0, 0, 600, 246.
    bool getEditorRect(int32_t* rect);
    bool setEditorPosition(const int32_t* position);
    // False when no editor window is open.
    bool handleEditorEvent(const EditorEvent* event);
    // The editor's idle turn: its window's idle event, then the framework's timers and tasks.
    void idleEditor();
    // The editor part, or null before the first editor operation.
    ModuleEditor* editor() noexcept { return editorPart.get(); }

    // ParameterAccess: the parameters as the editor sees them.
    bool hasParameter(int32_t n) const override { return parameterAt(n) != nullptr; }
    std::string parameterName(int32_t n) const override;
    int32_t parameterStepCount(int32_t n) const override;
    int32_t parameterValue(int32_t n) const override;
    float parameterRealValue(int32_t n) const override;
    std::string parameterText(int32_t n, int32_t step) const override;
    std::string parameterUnit(int32_t n) const override;
    void setParameterValue(int32_t n, int32_t step) override;
    // The host told of edits; none by default.
    void setHost(InstrumentHost* notified) noexcept { host = notified; }

    const PianoCore* engine() const noexcept { return core.get(); }

private:
    // The editor part, made on first use with the framework's application object; null when
    // the framework has not started.
    ModuleEditor* editorState();
    void sendParameters(bool everyGroup) noexcept;

    std::unique_ptr<PianoCore> core;
    InstrumentHost* host = nullptr;
    std::array<std::unique_ptr<Parameter>, kSlotCount> slots;
    std::array<Parameter*, kSlotCount - 1> chunkList{};
    std::array<float, kValueCount> pending{};
    std::array<float, kValueCount> applied{};
    std::unique_ptr<ModuleEditor> editorPart;
};
