#include "AudioEffectX.h"

intptr_t AudioEffectX::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                  float opt) {
    char* text = static_cast<char*>(ptr);
    switch (opcode) {
        case vst2::effProcessEvents:
            return processEvents(static_cast<vst2::VstEvents*>(ptr));
        case vst2::effCanBeAutomated:
            return canParameterBeAutomated(index) ? 1 : 0;
        case vst2::effString2Parameter:
            return string2parameter(index, text) ? 1 : 0;
        case vst2::effGetNumProgramCategories:
            return getNumCategories();
        case vst2::effGetProgramNameIndexed:
            return getProgramNameIndexed(static_cast<int32_t>(value), index, text) ? 1 : 0;
        case vst2::effCopyProgram:
            return copyProgram(index) ? 1 : 0;
        case vst2::effConnectInput:
            inputConnected(index, value != 0);
            return 1;
        case vst2::effConnectOutput:
            outputConnected(index, value != 0);
            return 1;
        case vst2::effGetInputProperties:
            return getInputProperties(index, static_cast<vst2::VstPinProperties*>(ptr)) ? 1 : 0;
        case vst2::effGetOutputProperties:
            return getOutputProperties(index, static_cast<vst2::VstPinProperties*>(ptr)) ? 1 : 0;
        case vst2::effGetPlugCategory:
            return getPlugCategory();
        case vst2::effGetCurrentPosition:
            return reportCurrentPosition();
        case vst2::effGetDestinationBuffer:
            return reinterpret_cast<intptr_t>(reportDestinationBuffer());
        case vst2::effOfflineNotify:
            return offlineNotify(ptr, static_cast<int32_t>(value), index != 0) ? 1 : 0;
        case vst2::effOfflinePrepare:
            return offlinePrepare(ptr, static_cast<int32_t>(value)) ? 1 : 0;
        case vst2::effOfflineRun:
            return offlineRun(ptr, static_cast<int32_t>(value)) ? 1 : 0;
        case vst2::effProcessVarIo:
            return processVariableIo(ptr) ? 1 : 0;
        case vst2::effSetSpeakerArrangement:
            return setSpeakerArrangement(reinterpret_cast<void*>(value), ptr) ? 1 : 0;
        case vst2::effSetBlockSizeAndSampleRate:
            return setBlockSizeAndSampleRate(static_cast<int32_t>(value), opt) ? 1 : 0;
        case vst2::effSetBypass:
            return setBypass(value != 0) ? 1 : 0;
        case vst2::effGetEffectName:
            return getEffectName(text) ? 1 : 0;
        case vst2::effGetErrorText:
            return getErrorText(text) ? 1 : 0;
        case vst2::effGetVendorString:
            return getVendorString(text) ? 1 : 0;
        case vst2::effGetProductString:
            return getProductString(text) ? 1 : 0;
        case vst2::effGetVendorVersion:
            return getVendorVersion();
        case vst2::effVendorSpecific:
            return vendorSpecific(index, value, ptr, opt);
        case vst2::effCanDo:
            return canDo(text);
        case vst2::effGetTailSize:
            return getGetTailSize();
        case vst2::effIdle:
            return fxIdle();
        case vst2::effGetIcon:
            return reinterpret_cast<intptr_t>(getIcon());
        case vst2::effSetViewPosition:
            return setViewPosition(index, static_cast<int32_t>(value)) ? 1 : 0;
        case vst2::effGetParameterProperties:
            return getParameterProperties(index, ptr) ? 1 : 0;
        case vst2::effKeysRequired:
            return keysRequired() ? 0 : 1;
        case vst2::effGetVstVersion:
            return getVstVersion();
        default:
            return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
}

int32_t AudioEffectX::getPlugCategory() {
    return (cEffect.flags & vst2::effFlagsIsSynth) != 0 ? vst2::kPlugCategSynth
                                                        : vst2::kPlugCategUnknown;
}

bool AudioEffectX::setBlockSizeAndSampleRate(int32_t frames, float rate) {
    blockSize = frames;
    sampleRate = rate;
    return true;
}

intptr_t AudioEffectX::wantEvents(int32_t filter) {
    return callHost(vst2::audioMasterWantMidi, 0, filter, nullptr, 0.0f);
}

intptr_t AudioEffectX::tempoAt(int32_t position) {
    return callHost(vst2::audioMasterTempoAt, 0, position, nullptr, 0.0f);
}

intptr_t AudioEffectX::getNumAutomatableParameters() {
    return callHost(vst2::audioMasterGetNumAutomatableParameters, 0, 0, nullptr, 0.0f);
}

intptr_t AudioEffectX::getParameterQuantization() {
    return callHost(vst2::audioMasterGetParameterQuantization, 0, 0, nullptr, 0.0f);
}

bool AudioEffectX::ioChanged() {
    return callHost(vst2::audioMasterIOChanged, 0, 0, nullptr, 0.0f) != 0;
}

bool AudioEffectX::needIdle() {
    return callHost(vst2::audioMasterNeedIdle, 0, 0, nullptr, 0.0f) != 0;
}

bool AudioEffectX::sizeWindow(int32_t width, int32_t height) {
    return callHost(vst2::audioMasterSizeWindow, width, height, nullptr, 0.0f) != 0;
}

double AudioEffectX::updateSampleRate() {
    const intptr_t rate = callHost(vst2::audioMasterGetSampleRate, 0, 0, nullptr, 0.0f);
    if (rate > 0) {
        sampleRate = static_cast<float>(rate);
    }
    return sampleRate;
}

intptr_t AudioEffectX::updateBlockSize() {
    const intptr_t frames = callHost(vst2::audioMasterGetBlockSize, 0, 0, nullptr, 0.0f);
    if (frames > 0) {
        blockSize = static_cast<int32_t>(frames);
    }
    return blockSize;
}

intptr_t AudioEffectX::getInputLatency() {
    return callHost(vst2::audioMasterGetInputLatency, 0, 0, nullptr, 0.0f);
}

intptr_t AudioEffectX::getOutputLatency() {
    return callHost(vst2::audioMasterGetOutputLatency, 0, 0, nullptr, 0.0f);
}

intptr_t AudioEffectX::getCurrentProcessLevel() {
    return callHost(vst2::audioMasterGetCurrentProcessLevel, 0, 0, nullptr, 0.0f);
}

intptr_t AudioEffectX::getAutomationState() {
    return callHost(vst2::audioMasterGetAutomationState, 0, 0, nullptr, 0.0f);
}

bool AudioEffectX::getHostVendorString(char* text) {
    return callHost(vst2::audioMasterGetVendorString, 0, 0, text, 0.0f) != 0;
}

bool AudioEffectX::getHostProductString(char* text) {
    return callHost(vst2::audioMasterGetProductString, 0, 0, text, 0.0f) != 0;
}

intptr_t AudioEffectX::getHostVendorVersion() {
    return callHost(vst2::audioMasterGetVendorVersion, 0, 0, nullptr, 0.0f);
}

intptr_t AudioEffectX::canHostDo(char* text) {
    return callHost(vst2::audioMasterCanDo, 0, 0, text, 0.0f);
}

intptr_t AudioEffectX::getHostLanguage() {
    return callHost(vst2::audioMasterGetLanguage, 0, 0, nullptr, 0.0f);
}

void* AudioEffectX::getDirectory() {
    return reinterpret_cast<void*>(callHost(vst2::audioMasterGetDirectory, 0, 0, nullptr, 0.0f));
}

bool AudioEffectX::updateDisplay() {
    return callHost(vst2::audioMasterUpdateDisplay, 0, 0, nullptr, 0.0f) != 0;
}
