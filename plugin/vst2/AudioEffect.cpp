#include "AudioEffect.h"

#include <cstring>

namespace {

AudioEffect* objectOf(vst2::AEffect* effect) noexcept {
    return effect != nullptr ? static_cast<AudioEffect*>(effect->object) : nullptr;
}

}  // namespace

AudioEffect::AudioEffect(vst2::audioMasterCallback callback, int32_t programCount,
                         int32_t parameterCount)
    : audioMaster(callback), numPrograms(programCount), numParams(parameterCount) {
    std::memset(&cEffect, 0, sizeof cEffect);
    cEffect.magic = vst2::kEffectMagic;
    cEffect.dispatcher = dispatchEffect;
    cEffect.process = processEffect;
    cEffect.setParameter = setParameterEffect;
    cEffect.getParameter = getParameterEffect;
    cEffect.numPrograms = programCount;
    cEffect.numParams = parameterCount;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = vst2::kDefaultUniqueId;
    cEffect.version = 1;
    cEffect.processReplacing = processReplacingEffect;
}

AudioEffect::~AudioEffect() = default;

void AudioEffect::setParameter(int32_t, float) noexcept {}

float AudioEffect::getParameter(int32_t) noexcept {
    return 0.0f;
}

intptr_t AudioEffect::setParameterAutomated(int32_t index, float value) noexcept {
    setParameter(index, value);
    return callHost(vst2::audioMasterAutomate, index, 0, nullptr, value);
}

void AudioEffect::process(float**, float**, int32_t) noexcept {}

void AudioEffect::processReplacing(float**, float**, int32_t) noexcept {}

void AudioEffect::getProgramName(char* name) {
    if (name != nullptr) {
        name[0] = '\0';
    }
}

intptr_t AudioEffect::getChunk(void**, bool) {
    return 0;
}

intptr_t AudioEffect::setChunk(void*, intptr_t, bool) {
    return 0;
}

intptr_t AudioEffect::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                 float opt) {
    char* text = static_cast<char*>(ptr);
    switch (opcode) {
        case vst2::effOpen:
            open();
            return 0;
        case vst2::effClose:
            close();
            return 1;
        case vst2::effSetProgram:
            if (value >= 0 && value < numPrograms) {
                setProgram(static_cast<int32_t>(value));
            }
            return 0;
        case vst2::effGetProgram:
            return getProgram();
        case vst2::effSetProgramName:
            if (text != nullptr) {
                setProgramName(text);
            }
            return 0;
        case vst2::effGetProgramName:
            if (text != nullptr) {
                getProgramName(text);
            }
            return 0;
        case vst2::effGetParamLabel:
            if (text != nullptr) {
                getParameterLabel(index, text);
            }
            return 0;
        case vst2::effGetParamDisplay:
            if (text != nullptr) {
                getParameterDisplay(index, text);
            }
            return 0;
        case vst2::effGetParamName:
            if (text != nullptr) {
                getParameterName(index, text);
            }
            return 0;
        case vst2::effGetVu:
            return static_cast<intptr_t>(getVu() * 32767.0f);
        case vst2::effSetSampleRate:
            setSampleRate(opt);
            return 0;
        case vst2::effSetBlockSize:
            setBlockSize(static_cast<int32_t>(value));
            return 0;
        case vst2::effMainsChanged:
            if (value == 0) {
                suspend();
            } else {
                resume();
            }
            return 0;
        case vst2::effEditGetRect:
            return editor ? editor->getRect(static_cast<vst2::ERect**>(ptr)) : 0;
        case vst2::effEditOpen:
            return editor ? editor->open(ptr) : 0;
        case vst2::effEditClose:
            if (editor) {
                editor->close();
            }
            return 0;
        case vst2::effEditIdle:
            if (editor) {
                editor->idle();
            }
            return 0;
        case vst2::effIdentify:
            return vst2::kIdentifyAnswer;
        case vst2::effGetChunk:
            return getChunk(static_cast<void**>(ptr), index != 0);
        case vst2::effSetChunk:
            return setChunk(ptr, value, index != 0);
        default:
            return 0;
    }
}

intptr_t AudioEffect::getMasterVersion() {
    const intptr_t version = callHost(vst2::audioMasterVersion, 0, 0, nullptr, 0.0f);
    return version != 0 ? version : 1;
}

intptr_t AudioEffect::getCurrentUniqueId() {
    return callHost(vst2::audioMasterCurrentId, 0, 0, nullptr, 0.0f);
}

intptr_t AudioEffect::masterIdle() {
    return callHost(vst2::audioMasterIdle, 0, 0, nullptr, 0.0f);
}

bool AudioEffect::isInputConnected(int32_t input) {
    return callHost(vst2::audioMasterPinConnected, input, 0, nullptr, 0.0f) == 0;
}

bool AudioEffect::isOutputConnected(int32_t output) {
    return callHost(vst2::audioMasterPinConnected, output, 1, nullptr, 0.0f) == 0;
}

intptr_t AudioEffect::callHost(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                               float opt) noexcept {
    return audioMaster != nullptr ? audioMaster(&cEffect, opcode, index, value, ptr, opt) : 0;
}

void AudioEffect::setFlag(int32_t flag, bool state) noexcept {
    cEffect.flags = state ? (cEffect.flags | flag) : (cEffect.flags & ~flag);
}

// Control thread. Nothing throws across the host boundary; effClose destroys the object.
intptr_t AudioEffect::dispatchEffect(vst2::AEffect* effect, int32_t opcode, int32_t index,
                                     intptr_t value, void* ptr, float opt) {
    AudioEffect* object = objectOf(effect);
    if (object == nullptr) {
        return 0;
    }
    if (opcode == vst2::effClose) {
        try {
            object->dispatcher(opcode, index, value, ptr, opt);
        } catch (...) {
        }
        delete object;
        return 1;
    }
    try {
        return object->dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
        return 0;
    }
}

// Audio thread.
void AudioEffect::processEffect(vst2::AEffect* effect, float** inputs, float** outputs,
                                int32_t sampleFrames) {
    if (AudioEffect* object = objectOf(effect)) {
        object->process(inputs, outputs, sampleFrames);
    }
}

// Audio thread.
void AudioEffect::processReplacingEffect(vst2::AEffect* effect, float** inputs, float** outputs,
                                         int32_t sampleFrames) {
    if (AudioEffect* object = objectOf(effect)) {
        object->processReplacing(inputs, outputs, sampleFrames);
    }
}

// Any thread.
void AudioEffect::setParameterEffect(vst2::AEffect* effect, int32_t index, float value) {
    if (AudioEffect* object = objectOf(effect)) {
        object->setParameter(index, value);
    }
}

// Any thread.
float AudioEffect::getParameterEffect(vst2::AEffect* effect, int32_t index) {
    AudioEffect* object = objectOf(effect);
    return object != nullptr ? object->getParameter(index) : 0.0f;
}
