#pragma once

#include <cstdint>
#include <memory>

#include "AudioEffectX.h"
#include "InstrumentHost.h"
#include "PianoModule.h"

class PianoCore;

// The plug-in object the host talks to: a synthesizer with no inputs and two outputs, eleven
// parameter slots and one program saved as a chunk. It forwards parameter requests to the
// engine module's slots, MIDI events to its queue and audio blocks to its render.
class PianoPlugin : public AudioEffectX, public InstrumentHost {
public:
    static constexpr int32_t kProgramCount = 1;
    static constexpr int32_t kParameterCount = PianoModule::kSlotCount;
    static constexpr int32_t kUniqueId = vst2::fourCharCode('q', 'n', '5', '8');
    static constexpr int32_t kDisplayLength = 6;
    static constexpr size_t kProgramNameSize = 32;

    // Loader thread: the entry point's work. Answers none when the host answers 0 to
    // audioMasterVersion, the framework does not start or the object cannot be created.
    static vst2::AEffect* createEffect(vst2::audioMasterCallback audioMaster) noexcept;

    explicit PianoPlugin(vst2::audioMasterCallback audioMaster);
    // With a given engine core or module (tests observe what reaches them).
    PianoPlugin(vst2::audioMasterCallback audioMaster, std::unique_ptr<PianoCore> core);
    PianoPlugin(vst2::audioMasterCallback audioMaster, std::unique_ptr<PianoModule> engine);
    ~PianoPlugin() override;

    // Any thread.
    void setParameter(int32_t index, float value) noexcept override;
    float getParameter(int32_t index) noexcept override;

    // Audio thread.
    void process(float** inputs, float** outputs, int32_t sampleFrames) noexcept override;
    void processReplacing(float** inputs, float** outputs, int32_t sampleFrames) noexcept override;
    intptr_t processEvents(vst2::VstEvents* events) noexcept override;

    // Control thread.
    void setProgramName(const char* name) override;
    void getProgramName(char* name) override;
    void getParameterLabel(int32_t index, char* label) override;
    void getParameterDisplay(int32_t index, char* text) override;
    void getParameterName(int32_t index, char* text) override;
    intptr_t getChunk(void** data, bool isPreset) override;
    intptr_t setChunk(void* data, intptr_t byteSize, bool isPreset) override;
    void setSampleRate(float rate) override;
    void setBlockSize(int32_t frames) override;
    bool setBlockSizeAndSampleRate(int32_t frames, float rate) override;
    void resume() override;
    bool getProgramNameIndexed(int32_t, int32_t, char*) override { return false; }
    bool copyProgram(int32_t) override { return false; }
    bool getOutputProperties(int32_t index, vst2::VstPinProperties* properties) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    intptr_t canDo(const char* text) override;

    // GUI thread: an edit in the editor goes to the host as an automation.
    void parameterEdited(int32_t index, float normalised) override;

    PianoModule& engineModule() noexcept { return *module; }

private:
    std::unique_ptr<PianoModule> module;
    float hostSampleRate = 44100.0f;
    char programName[kProgramNameSize] = {};
    std::unique_ptr<uint8_t[]> chunkBuffer;
};
