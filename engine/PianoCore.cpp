#include "PianoCore.h"

#include <cmath>

#include "ChorusUnit.h"
#include "EffectsChain.h"
#include "KeyVoice.h"
#include "OverdriveUnit.h"
#include "PhaserUnit.h"
#include "Tables.h"
#include "TremoloUnit.h"

PianoCore::PianoCore() = default;

PianoCore::~PianoCore() {
    // Keys first, then the units in creation order, then the scratch buffers.
    for (auto& key : keys) {
        key.reset();
    }
    effectsChain.reset();
    overdrive.reset();
    phaser.reset();
    tremolo.reset();
    chorus.reset();
    for (auto& buffer : scratch) {
        buffer.reset();
    }
}

int PianoCore::setup(int inputs, int outputs, float sampleRate) {
    context.setSampleRate(sampleRate);
    inputChannels = inputs;
    outputChannels = outputs;

    effectsChain = std::make_unique<EffectsChain>();
    overdrive = std::make_unique<OverdriveUnit>();
    phaser = std::make_unique<PhaserUnit>();
    tremolo = std::make_unique<TremoloUnit>();
    chorus = std::make_unique<ChorusUnit>();
    // A unit that refuses the channel counts keeps no state and processes nothing.
    effectsChain->setup(outputs, outputs);
    overdrive->setup(outputs, outputs);
    phaser->setup(outputs, outputs);
    tremolo->setup(outputs, outputs);
    chorus->setup(outputs, outputs);

    for (auto& buffer : scratch) {
        buffer = std::make_unique<float[]>(kMaxSlice);  // value-initialised: zeros
    }
    for (int k = 0; k < kKeyCount; ++k) {
        auto key = std::make_unique<KeyVoice>(&context);
        for (int i = 0; i < kScratchBuffers; ++i) {
            key->setInput(i, scratch[static_cast<size_t>(i)].get());
        }
        key->init();
        key->keyIndex = k;
        keys[static_cast<size_t>(k)] = std::move(key);
    }

    voiceCount = 0;
    noteStates.fill(NoteState{});
    Tables::instance();  // the process-wide tables exist from the first engine on
    generation = 0;
    return 0;
}

int PianoCore::reset() noexcept {
    if (effectsChain) {
        effectsChain->reset();
        overdrive->reset();
        phaser->reset();
        tremolo->reset();
        chorus->reset();
    }
    events.clear();
    voiceCount = 0;
    noteStates.fill(NoteState{});
    for (auto& key : keys) {
        if (key) {
            key->reset();
        }
    }
    sustainOn = false;
    return 0;
}

int PianoCore::queueEvent(int status, int data1, int data2, int detune, int time) noexcept {
    return events.push(static_cast<uint8_t>(status), static_cast<uint8_t>(data1),
                       static_cast<uint8_t>(data2), static_cast<int8_t>(detune), time);
}

void PianoCore::setSampleRate(float sampleRate) noexcept {
    if (std::isfinite(sampleRate) && sampleRate > 0.0f) {
        context.setSampleRate(sampleRate);
    }
}
