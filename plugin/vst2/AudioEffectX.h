#pragma once

#include "AudioEffect.h"

// The extended half of the VST 2.x plug-in object: answers the opcodes 25 to 58 (events,
// automation, pins, category, names, capabilities) and hands the rest to AudioEffect, and
// carries the further host-call helpers.
class AudioEffectX : public AudioEffect {
public:
    using AudioEffect::AudioEffect;

    intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                        float opt) override;

    // Audio thread: the block's events, before process; answers 1 when taken.
    virtual intptr_t processEvents(vst2::VstEvents*) noexcept { return 0; }
    virtual bool canParameterBeAutomated(int32_t) { return true; }
    virtual bool string2parameter(int32_t, char*) { return false; }
    virtual float getChannelParameter(int32_t, int32_t) { return 0.0f; }
    virtual int32_t getNumCategories() { return 1; }
    virtual bool getProgramNameIndexed(int32_t, int32_t, char*) { return false; }
    virtual bool copyProgram(int32_t) { return false; }
    virtual void inputConnected(int32_t, bool) {}
    virtual void outputConnected(int32_t, bool) {}
    virtual bool getInputProperties(int32_t, vst2::VstPinProperties*) { return false; }
    virtual bool getOutputProperties(int32_t, vst2::VstPinProperties*) { return false; }
    // Synthesizer category when effFlagsIsSynth is set, otherwise unknown.
    virtual int32_t getPlugCategory();
    virtual intptr_t reportCurrentPosition() { return 0; }
    virtual float* reportDestinationBuffer() { return nullptr; }
    virtual bool offlineNotify(void*, int32_t, bool) { return false; }
    virtual bool offlinePrepare(void*, int32_t) { return false; }
    virtual bool offlineRun(void*, int32_t) { return false; }
    virtual int32_t offlineGetNumPasses() { return 0; }
    virtual int32_t offlineGetNumMetaPasses() { return 0; }
    virtual bool processVariableIo(void*) { return false; }
    virtual bool setSpeakerArrangement(void*, void*) { return false; }
    // Stores the block size and the sample rate.
    virtual bool setBlockSizeAndSampleRate(int32_t frames, float rate);
    virtual bool setBypass(bool) { return false; }
    virtual bool getEffectName(char*) { return false; }
    virtual bool getErrorText(char*) { return false; }
    virtual bool getVendorString(char*) { return false; }
    virtual bool getProductString(char*) { return false; }
    virtual int32_t getVendorVersion() { return 1; }
    virtual intptr_t vendorSpecific(int32_t, intptr_t, void*, float) { return 0; }
    // 1 yes, -1 no, 0 don't know.
    virtual intptr_t canDo(const char*) { return 0; }
    virtual void* getIcon() { return nullptr; }
    virtual bool setViewPosition(int32_t, int32_t) { return false; }
    virtual int32_t getGetTailSize() { return 0; }
    virtual intptr_t fxIdle() { return 0; }
    virtual bool getParameterProperties(int32_t, void*) { return false; }
    virtual bool keysRequired() { return false; }
    virtual int32_t getVstVersion() { return 2; }

    // Flags.
    virtual void wantAsyncOperation(bool state) { setFlag(vst2::effFlagsExtIsAsync, state); }
    virtual void hasExternalBuffer(bool state) { setFlag(vst2::effFlagsExtHasBuffer, state); }
    virtual void isSynth(bool state) { setFlag(vst2::effFlagsIsSynth, state); }
    virtual void noTail(bool state) { setFlag(vst2::effFlagsNoSoundInStop, state); }

    // Host-call helpers: one audioMaster request each, answering the host's answer (0 without
    // a callback).
    virtual intptr_t wantEvents(int32_t filter = 1);
    virtual intptr_t tempoAt(int32_t position);
    virtual intptr_t getNumAutomatableParameters();
    virtual intptr_t getParameterQuantization();
    virtual bool ioChanged();
    virtual bool needIdle();
    virtual bool sizeWindow(int32_t width, int32_t height);
    virtual double updateSampleRate();
    virtual intptr_t updateBlockSize();
    virtual intptr_t getInputLatency();
    virtual intptr_t getOutputLatency();
    virtual intptr_t getCurrentProcessLevel();
    virtual intptr_t getAutomationState();
    virtual bool getHostVendorString(char* text);
    virtual bool getHostProductString(char* text);
    virtual intptr_t getHostVendorVersion();
    virtual intptr_t canHostDo(char* text);
    virtual intptr_t getHostLanguage();
    virtual void* getDirectory();
    virtual bool updateDisplay();
};
