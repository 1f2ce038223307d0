#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "BreakpointCurve.h"
#include "ChannelBuffers.h"
#include "EventQueue.h"
#include "FusedVoiceKernel.h"
#include "NoteConfiguration.h"
#include "RenderContext.h"

class KeyVoice;
class EffectsChain;
class OverdriveUnit;
class PhaserUnit;
class TremoloUnit;
class ChorusUnit;

// The sound engine: 88 physically modelled key voices (key k plays MIDI note k + 21), the
// per-note values they are configured with at note-on, a queue of timed MIDI events, six scratch
// buffers shared by all voices, and the five units run over the summed keys (the voicing equaliser
// always; overdrive, phaser, tremolo and chorus when switched on).
//
// Calling order: construct, setup, applyParameters with every group (selector >= 23), then per
// block queueEvent..., setPosition, render; reset whenever the host resumes. Nothing here
// allocates, locks or throws after setup; no two operations may overlap.
class PianoCore {
public:
    static constexpr int kKeyCount = 88;
    static constexpr int kLowestNote = 21;
    static constexpr int kHighestNote = 108;
    static constexpr int kMaxSlice = 256;
    static constexpr int kScratchBuffers = 6;
    static constexpr int kValueCount = 23;   // values 1..23 of applyParameters
    static constexpr int kSelectorAll = 23;  // applies every group
    static constexpr int kRateClamped = 1005;

    struct NoteState {
        int soundingNote = 0;  // 0 when not counted as sounding, else the note number
        bool keyDown = false;  // the key is physically held
    };

    PianoCore();
    virtual ~PianoCore();
    PianoCore(const PianoCore&) = delete;
    PianoCore& operator=(const PianoCore&) = delete;

    // values[0..22] are the engine's values 1 to 23 (value 23 is the sample rate); selector is
    // value 24: 1..22 applies the group of that value, >= 23 every group, <= 0 nothing.
    // Answers 0, or 1005 when the sample rate lies outside [44000, 97000] (everything is still
    // computed for the rate given).
    virtual int applyParameters(const float (&values)[kValueCount], int32_t selector) noexcept;

    int setup(int inputChannels, int outputChannels, float sampleRate);
    int reset() noexcept;
    int render(const ChannelBuffers& input, ChannelBuffers& output) noexcept;
    void setPosition(int p) noexcept { position = p; }
    int queueEvent(int status, int data1, int data2, int detune, int time) noexcept;

    // Adopts a new host sample rate for the voice components (allocates nothing). The caller
    // re-applies every parameter group with the same rate afterwards.
    void setSampleRate(float sampleRate) noexcept;

    // Renders the keys component by component (the reference of the fused kernel) instead of
    // through the kernel; for tests that compare the two.
    void useReferenceVoices(bool on) noexcept { referenceVoices = on; }

    // Read access for tests and tools.
    const RenderContext& renderContext() const { return context; }
    const KeyVoice& key(int k) const { return *keys[static_cast<size_t>(k)]; }
    int voiceCountNow() const { return voiceCount; }
    int voiceLimitNow() const { return voiceLimit; }
    bool sustainIsOn() const { return sustainOn; }
    float sampleRateGivenNow() const { return sampleRateGiven; }
    const NoteState& noteState(int note) const { return noteStates[static_cast<size_t>(note)]; }

    // The configuration a note-on hands the key of `note` (21..108), its frequencies times
    // detuneFactor; the stereo position and the rate given are the engine's.
    NoteConfiguration noteConfiguration(int note, float detuneFactor = 1.0f) const noexcept;

private:
    // Per-note arrays, indexed by MIDI note 0..127 (entries 21..108 are filled).
    template <typename T>
    using NoteArray = std::array<T, 128>;
    NoteArray<int> hammerOrder{};
    NoteArray<float> hammerPole{};
    NoteArray<float> hammerLevel{};
    NoteArray<float> hammerVelocitySens{};
    NoteArray<float> tineFrequency{};
    NoteArray<float> tineDecayCoef{};
    NoteArray<float> tineReleaseCoef{};
    NoteArray<float> tineRingTime{};
    NoteArray<float> bellRingTime{};
    NoteArray<float> bell1Frequency{};
    NoteArray<float> bell2Frequency{};
    NoteArray<float> bellHoldCoef{};
    NoteArray<float> bellReleaseCoef{};
    NoteArray<float> bellLevel{};
    NoteArray<float> damperLevel{};
    NoteArray<float> thumpCutoff{};
    NoteArray<float> thumpQ{};
    NoteArray<float> thumpGain{};
    NoteArray<int> velocityCurve{};
    NoteArray<float> pickupOffset{};
    NoteArray<float> outputCutoff{};
    NoteArray<float> outputQ{};
    NoteArray<float> outputGain{};
    NoteArray<int> velocityLimit{};

    // Parameter groups (ParameterApplication.cpp).
    void applyTuning(const float (&values)[kValueCount]) noexcept;
    void applyKeyTables(const float (&values)[kValueCount], float rate) noexcept;
    void applyChain(const float (&values)[kValueCount], float rate) noexcept;
    void applyStereo(const float (&values)[kValueCount]) noexcept;
    void applyVoices(const float (&values)[kValueCount]) noexcept;
    void applyOverdrive(const float (&values)[kValueCount], float rate) noexcept;
    void applyPhaser(const float (&values)[kValueCount], float rate) noexcept;
    void applyTremolo(const float (&values)[kValueCount], float rate) noexcept;
    void applyChorus(const float (&values)[kValueCount], float rate) noexcept;

    // Notes and pedal (NoteHandling.cpp).
    void processNextEvent() noexcept;
    void noteOn(int note, int velocity, float detuneFactor) noexcept;
    void noteOff(int note) noexcept;
    void sustain(int value) noexcept;
    void allNotesOff() noexcept;
    void stealVoice() noexcept;

    // Slices (BlockRendering.cpp).
    // An equaliser whose steps the keys' loops take, begun on `buffers` (a slice, or a host
    // block of several slices); the slice being rendered starts at frame `base` of them.
    struct Equalising {
        SkewedChain* chain;
        const ChannelBuffers* buffers;
        int base;
    };
    // Frames from the current position to the next event (negative for a late one), or
    // INT64_MAX for none.
    int64_t nextEventIn() const noexcept;
    // Whether a key sounds or an event comes within the next frames.
    bool soundsWithin(int frames) noexcept;
    // A slice; `block`, where given, is the equaliser its host block's slices share (the slice
    // runs no equaliser of its own then).
    void renderSlice(const ChannelBuffers& slice, const Equalising* block = nullptr) noexcept;
    void renderKeys(int frames, int offset) noexcept;
    // The whole slice's keys and the equaliser over them in one loop of the kernel, where it
    // takes them; answers false, having rendered nothing, elsewhere.
    bool renderEqualisedKeys(const ChannelBuffers& slice) noexcept;
    // Whether the kernel's loops can run the equaliser on this slice's keys.
    bool equalisesInKernel(const ChannelBuffers& slice) const noexcept;
    // The active keys in key order, where the kernel takes them all in one loop with the
    // equaliser: their count (0 for none), or -1.
    int equalisedGroup(KeyVoice* (&group)[FusedVoiceKernel::kMostEqualised]) noexcept;
    // A slice cut by events, or a block of slices: the equaliser begun on it (false where the
    // kernel cannot step it, and then nothing is begun); and the keys of the slice's frames
    // from..to - 1 with the equaliser's steps over them, in the kernel's loop or after the keys
    // are summed.
    bool beginEqualiser(const ChannelBuffers& slice, SkewedChain& equaliser) noexcept;
    void renderEqualisedPart(const Equalising& equalising, int from, int to) noexcept;
    // Two whole slices of a block from its frame base in one loop of the kernel, where no event
    // falls within them and every active key carries across the first; false, having rendered
    // nothing, elsewhere.
    bool renderCarried(const Equalising& block, int base) noexcept;
    // The active keys in key order, into `list`; answers their count. Keys found silent leave
    // struckKeys.
    int activeKeys(KeyVoice* (&list)[kKeyCount]) noexcept;

    RenderContext context;
    int inputChannels = 0;
    int outputChannels = 0;
    float stereoSpread = 0.0f;
    int voiceLimit = 0;
    int voiceCount = 0;
    float* outLeft = nullptr;
    float* outRight = nullptr;
    int position = 0;
    bool sustainOn = false;
    std::array<std::unique_ptr<KeyVoice>, kKeyCount> keys;
    // One bit a key (key k in word k / 64), set when the key is struck and cleared when a render
    // finds it silent. A key becomes active only when struck, so every active key's bit is set,
    // and the renders look at these keys alone.
    std::array<uint64_t, 2> struckKeys{};
    float sampleRateGiven = 0.0f;
    std::array<NoteState, 128> noteStates{};
    std::array<BreakpointCurve, 22> curves{};
    std::unique_ptr<EffectsChain> effectsChain;
    std::unique_ptr<OverdriveUnit> overdrive;
    std::unique_ptr<TremoloUnit> tremolo;
    std::unique_ptr<ChorusUnit> chorus;
    std::unique_ptr<PhaserUnit> phaser;
    int generation = 0;
    int8_t lastDetune = 0;
    EventQueue events;
    ChannelBuffers subBlock;
    std::array<std::unique_ptr<float[]>, kScratchBuffers> scratch;
    bool overdriveOn = false;
    bool phaserOn = false;
    bool tremoloOn = false;
    bool chorusOn = false;
    bool referenceVoices = false;
    // The least level a key carries across a slice with (FusedVoiceKernel::carriedLevel), for
    // the level fall it was worked out for.
    float carriedFall = 0.0f;
    double carriedLevel = 0.0;
};
