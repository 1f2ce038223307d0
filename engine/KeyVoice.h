#pragma once

#include <memory>

#include "NoteConfiguration.h"
#include "VoiceComponent.h"

class Hammer;
class Resonator;
class StateVariableFilter;
class Pickup;

// One key of the instrument, a fixed network of components over six shared scratch buffers:
//   hammer → 0;  0 → thumpFilter (low-pass) → 4;  0 → tine → 1;  0 → bell1 → 2;  0 → bell2 → 3;
//   pickup(1, 4, 2, 3) → 5;  outputFilter (high-pass) in place on 5;  5 → panned into the mix.
// After release the tine adds its damper contact signal to buffer 0 before the bells read it,
// so the bells ring with the damper noise. A running peak of the squared output decides when
// the voice has died away (below 1e-10, falling at most by 0.99 per sample at 44.1 kHz and as
// fast per second at other rates).
class KeyVoice : public VoiceComponent {
public:
    static constexpr int kBuffers = 6;

    explicit KeyVoice(RenderContext* context);
    ~KeyVoice() override;

    // Scratch buffer i (0 to 5) of the engine, kMaxFrames floats; called before init.
    void setInput(int i, float* buffer) noexcept override;
    // Creates and wires the components, then resets.
    void init() override;
    // Silences the voice at once.
    void reset() noexcept override;
    // Note-on with the velocity set before.
    void trigger() noexcept override;
    // Note-off: release decays and damper contact.
    void release() noexcept override;

    // True when g is the generation seen at the last call; stores g either way.
    bool checkGeneration(int g) noexcept;
    // Sets the components up for the key's note; the signal state is kept.
    void configureNote(const NoteConfiguration& v) noexcept;
    void setVelocity(float v) noexcept { velocity = v; }
    bool isActive() const noexcept { return active; }
    // Renders one slice and mixes it into outputs[0] (and outputs[1] when channels is 2), through
    // the fused kernel where it handles the voice.
    void render(int channels, float* const outputs[2], int stride) noexcept;
    // The same, component by component over the scratch buffers: the reference for the kernel.
    void renderComponents(int channels, float* const outputs[2], int stride) noexcept;

    float gainLeftNow() const noexcept { return gainLeft; }
    float gainRightNow() const noexcept { return gainRight; }
    float levelNow() const noexcept { return level; }

    int age = 0;       // allocation age, kept by the engine; 0 = not counted as sounding
    int keyIndex = 0;  // 0 to 87, MIDI note keyIndex + 21

private:
    friend class FusedVoiceKernel;

    void mix(int channels, float* const outputs[2], int stride, int n) noexcept;

    bool active = false;
    std::unique_ptr<Hammer> hammer;
    std::unique_ptr<Resonator> tine;
    std::unique_ptr<Resonator> bell1;
    std::unique_ptr<Resonator> bell2;
    std::unique_ptr<StateVariableFilter> thumpFilter;
    std::unique_ptr<Pickup> pickup;
    std::unique_ptr<StateVariableFilter> outputFilter;
    float* buffers[kBuffers] = {};
    std::unique_ptr<float[]> ownBuffers;  // only when the engine handed over no buffer

    // coefficients
    float tineDecayCoef = 0.0f;
    float tineReleaseCoef = 0.0f;
    float bell1HoldCoef = 0.0f;
    float bell2HoldCoef = 0.0f;
    float bell1ReleaseCoef = 0.0f;
    float bell2ReleaseCoef = 0.0f;
    float gainLeft = 0.0f;
    float gainRight = 0.0f;
    float thumpGain = 0.0f;
    int velocityCurve = 0;

    // state
    float level = 0.0f;  // running peak of the squared output
    int generation = 0;
    float velocity = 0.0f;
};
