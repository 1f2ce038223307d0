#pragma once

#include <cstdint>
#include <memory>

#include "AEffEditor.h"
#include "vst2/Vst2Abi.h"

// The generic half of a VST 2.x plug-in object: it owns the effect record that the host holds,
// routes the record's five entry functions to virtual operations, answers the control opcodes
// 0 to 24, and sends requests back to the host through its callback.
class AudioEffect {
public:
    AudioEffect(vst2::audioMasterCallback audioMaster, int32_t programCount,
                int32_t parameterCount);
    virtual ~AudioEffect();
    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    // The record handed to the host.
    vst2::AEffect* getAeffect() noexcept { return &cEffect; }

    // Any thread: host automation, the editor, the chunk loader.
    virtual void setParameter(int32_t index, float value) noexcept;
    virtual float getParameter(int32_t index) noexcept;
    // setParameter, then reports the value to the host (audioMasterAutomate).
    virtual intptr_t setParameterAutomated(int32_t index, float value) noexcept;

    // Audio thread.
    virtual void process(float** inputs, float** outputs, int32_t sampleFrames) noexcept;
    virtual void processReplacing(float** inputs, float** outputs, int32_t sampleFrames) noexcept;

    // Control thread: answers the opcodes 0 to 24, 0 to the rest.
    virtual intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                float opt);

    virtual void open() {}
    virtual void close() {}
    virtual int32_t getProgram() { return curProgram; }
    virtual void setProgram(int32_t program) { curProgram = program; }
    virtual void setProgramName(const char*) {}
    virtual void getProgramName(char* name);
    virtual void getParameterLabel(int32_t, char*) {}
    virtual void getParameterDisplay(int32_t, char*) {}
    virtual void getParameterName(int32_t, char*) {}
    virtual float getVu() { return 0.0f; }
    virtual intptr_t getChunk(void** data, bool isPreset);
    virtual intptr_t setChunk(void* data, intptr_t byteSize, bool isPreset);
    virtual void setSampleRate(float rate) { sampleRate = rate; }
    virtual void setBlockSize(int32_t frames) { blockSize = frames; }
    virtual void suspend() {}
    virtual void resume() {}

    // Record fields and flags.
    virtual void setUniqueID(int32_t id) { cEffect.uniqueID = id; }
    virtual void setNumInputs(int32_t inputs) { cEffect.numInputs = inputs; }
    virtual void setNumOutputs(int32_t outputs) { cEffect.numOutputs = outputs; }
    virtual void hasVu(bool state) { setFlag(vst2::effFlagsHasVu, state); }
    virtual void hasClip(bool state) { setFlag(vst2::effFlagsHasClip, state); }
    virtual void canMono(bool state) { setFlag(vst2::effFlagsCanMono, state); }
    virtual void canProcessReplacing(bool state) { setFlag(vst2::effFlagsCanReplacing, state); }
    virtual void programsAreChunks(bool state) { setFlag(vst2::effFlagsProgramChunks, state); }
    virtual void setRealtimeQualities(int32_t q) { cEffect.realQualities = q; }
    virtual void setOfflineQualities(int32_t q) { cEffect.offQualities = q; }
    virtual void setInitialDelay(int32_t delay) { cEffect.initialDelay = delay; }

    virtual float getSampleRate() { return sampleRate; }
    virtual int32_t getBlockSize() { return blockSize; }

    // Host-call helpers: one audioMaster request each; 0 without a callback.
    virtual intptr_t getMasterVersion();
    virtual intptr_t getCurrentUniqueId();
    virtual intptr_t masterIdle();
    virtual bool isInputConnected(int32_t input);
    virtual bool isOutputConnected(int32_t output);

    AEffEditor* getEditor() noexcept { return editor.get(); }

protected:
    intptr_t callHost(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) noexcept;
    void setFlag(int32_t flag, bool state) noexcept;

    float sampleRate = 44100.0f;
    std::unique_ptr<AEffEditor> editor;
    vst2::audioMasterCallback audioMaster;
    int32_t numPrograms;
    int32_t numParams;
    int32_t curProgram = 0;
    int32_t blockSize = 1024;
    vst2::AEffect cEffect;

private:
    // The record's entry functions: find the object through `object` and forward.
    static intptr_t VST2_CALLBACK dispatchEffect(vst2::AEffect* effect, int32_t opcode,
                                                 int32_t index, intptr_t value, void* ptr,
                                                 float opt);
    static void VST2_CALLBACK processEffect(vst2::AEffect* effect, float** inputs, float** outputs,
                                            int32_t sampleFrames);
    static void VST2_CALLBACK processReplacingEffect(vst2::AEffect* effect, float** inputs,
                                                     float** outputs, int32_t sampleFrames);
    static void VST2_CALLBACK setParameterEffect(vst2::AEffect* effect, int32_t index, float value);
    static float VST2_CALLBACK getParameterEffect(vst2::AEffect* effect, int32_t index);
};
