#include "KeyVoice.h"

#include <cmath>

#include "FusedVoiceKernel.h"
#include "Hammer.h"
#include "Pickup.h"
#include "Resonator.h"
#include "StateVariableFilter.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr float kSilenceLevel = 1e-10f;  // squared output below which the voice has died

// The velocity curve: code 0 → 1, code k (1 to 9) → v^(2^(k − 1)), any other code → v^512,
// by repeated squaring.
float velocityWeight(int code, float v) noexcept {
    if (code == 0) {
        return 1.0f;
    }
    const int squarings = (code >= 1 && code <= 9) ? code - 1 : 9;
    float c = v;
    for (int k = 0; k < squarings; ++k) {
        c = c * c;
    }
    return c;
}

}  // namespace

KeyVoice::KeyVoice(RenderContext* renderContext) : VoiceComponent(renderContext) {}

KeyVoice::~KeyVoice() = default;

void KeyVoice::setInput(int i, float* buffer) noexcept {
    if (i >= 0 && i < kBuffers) {
        buffers[i] = buffer;
    }
}

void KeyVoice::init() {
    hammer = std::make_unique<Hammer>(context);
    tine = std::make_unique<Resonator>(context);
    bell1 = std::make_unique<Resonator>(context);
    bell2 = std::make_unique<Resonator>(context);
    thumpFilter = std::make_unique<StateVariableFilter>(context);
    pickup = std::make_unique<Pickup>(context);
    outputFilter = std::make_unique<StateVariableFilter>(context);

    // A voice that was handed no scratch buffer gets private ones rather than none.
    for (float*& buffer : buffers) {
        if (buffer == nullptr) {
            if (!ownBuffers) {
                ownBuffers = std::make_unique<float[]>(kBuffers * kMaxFrames);
            }
            buffer = ownBuffers.get() + (&buffer - buffers) * kMaxFrames;
        }
    }

    hammer->setOutput(0, buffers[0]);
    thumpFilter->setInput(0, buffers[0]);
    thumpFilter->setOutput(0, buffers[4]);
    tine->setInput(0, buffers[0]);
    bell1->setInput(0, buffers[0]);
    bell2->setInput(0, buffers[0]);
    tine->setOutput(0, buffers[1]);
    bell1->setOutput(0, buffers[2]);
    bell2->setOutput(0, buffers[3]);
    pickup->setInput(0, buffers[1]);
    pickup->setInput(1, buffers[4]);
    pickup->setInput(2, buffers[2]);
    pickup->setInput(3, buffers[3]);
    pickup->setOutput(0, buffers[5]);
    outputFilter->setInput(0, buffers[5]);
    outputFilter->setOutput(0, buffers[5]);

    hammer->init();
    tine->init();
    bell1->init();
    bell2->init();
    thumpFilter->init();
    pickup->init();
    outputFilter->init();
    reset();
}

void KeyVoice::reset() noexcept {
    if (hammer) {
        tine->reset();
        bell1->reset();
        bell2->reset();
        thumpFilter->reset();
        outputFilter->reset();
        hammer->reset();
    }
    tineDecayCoef = 0.0f;
    tineReleaseCoef = 0.0f;
    bell1HoldCoef = 0.0f;
    bell2HoldCoef = 0.0f;
    bell1ReleaseCoef = 0.0f;
    bell2ReleaseCoef = 0.0f;
    gainLeft = 0.0f;
    gainRight = 0.0f;
    level = 0.0f;
    thumpGain = 0.0f;
    generation = 0;
    velocityCurve = 0;
    active = false;
    age = 0;
}

bool KeyVoice::checkGeneration(int g) noexcept {
    const bool same = g == generation;
    generation = g;
    return same;
}

void KeyVoice::configureNote(const NoteConfiguration& v) noexcept {
    if (!hammer) {
        return;
    }
    hammer->configure(v.hammerOrder, v.hammerPole, v.hammerLevel, v.hammerVelocitySens);
    tine->configure(v.tineFrequency, 1.0f, v.damperLevel, v.tineRingTime, 0.0f);
    bell1->configure(v.bell1Frequency, v.bell1Level, 0.0f, v.bellRingTime, 0.0f);
    bell2->configure(v.bell2Frequency, v.bell2Level, 0.0f, v.bellRingTime, 0.0f);
    for (Resonator* r : {tine.get(), bell1.get(), bell2.get()}) {
        r->weightOutput(hammer->pulseWeight(r->referenceOmega()));
    }
    thumpFilter->configure(v.thumpCutoff, v.thumpGain, v.thumpQ, StateVariableFilter::kLowPass);
    pickup->configure(v.pickupOffset);
    outputFilter->configure(v.outputCutoff, v.outputGain, v.outputQ,
                            StateVariableFilter::kHighPass);

    tineDecayCoef = v.tineDecayCoef;
    tineReleaseCoef = v.tineReleaseCoef;
    bell1HoldCoef = v.bell1HoldCoef;
    bell1ReleaseCoef = v.bell1ReleaseCoef;
    bell2HoldCoef = v.bell2HoldCoef;
    bell2ReleaseCoef = v.bell2ReleaseCoef;
    thumpGain = v.thumpGain;
    velocityCurve = v.velocityCurve;

    // Position on a quarter circle, key 0 left toward key 88 fully right; S blends it with
    // the centre (gain 1 in both channels).
    const double spread = v.stereoSpread;
    const double theta = static_cast<double>(keyIndex) * (kPi / 176.0);
    gainLeft = static_cast<float>(spread * std::cos(theta) + (1.0 - spread));
    gainRight = static_cast<float>(spread * std::sin(theta) + (1.0 - spread));
}

void KeyVoice::trigger() noexcept {
    if (!hammer) {
        return;
    }
    tine->setDecay(tineDecayCoef, true);
    bell1->setHoldDecay(bell1HoldCoef);
    bell2->setHoldDecay(bell2HoldCoef);
    hammer->setVelocity(velocity);
    hammer->trigger();
    active = true;
    level = 1.0f;
    thumpFilter->setGain(thumpGain * velocityWeight(velocityCurve, velocity));
}

void KeyVoice::release() noexcept {
    if (!hammer) {
        return;
    }
    tine->setDecay(tineReleaseCoef, false);
    bell1->setHoldDecay(bell1ReleaseCoef);
    bell2->setHoldDecay(bell2ReleaseCoef);
}

void KeyVoice::render(int channels, float* const outputs[2], int stride) noexcept {
    if (!active || !hammer) {
        return;
    }
    if (FusedVoiceKernel::handles(*this)) {
        KeyVoice* const self = this;
        FusedVoiceKernel::render(&self, 1, channels, outputs, stride);
    } else {
        renderComponents(channels, outputs, stride);
    }
}

void KeyVoice::renderComponents(int channels, float* const outputs[2], int stride) noexcept {
    if (!active || !hammer) {
        return;
    }
    // Order matters: the thump reads the clean pulse before the tine adds its damper contact
    // to buffer 0, and the bells read the sum.
    hammer->process();
    thumpFilter->process();
    tine->process();
    bell1->process();
    bell2->process();
    pickup->process();
    outputFilter->process();

    const int n = frames();
    mix(channels, outputs, stride, n);

    const float* x = buffers[5];
    const float fall = context->levelFall;
    float peak = level;
    bool died = false;
    for (int i = 0; i < n; ++i) {
        const float e = x[i] * x[i];
        const float fallen = fall * peak;
        peak = e > fallen ? e : fallen;
        died = died || peak < kSilenceLevel;
    }
    level = peak;
    if (died) {
        active = false;
    }
}

void KeyVoice::mix(int channels, float* const outputs[2], int stride, int n) noexcept {
    const float* x = buffers[5];
    if (outputs == nullptr || outputs[0] == nullptr) {
        return;
    }
    if (channels == 1) {
        float* out0 = outputs[0];
        for (int i = 0; i < n; ++i) {
            out0[i * stride] += x[i];
        }
    } else if (channels == 2 && outputs[1] != nullptr) {
        float* out0 = outputs[0];
        float* out1 = outputs[1];
        const float left = gainLeft;
        const float right = gainRight;
        for (int i = 0; i < n; ++i) {
            out0[i * stride] += x[i] * left;
            out1[i * stride] += x[i] * right;
        }
    }
}
