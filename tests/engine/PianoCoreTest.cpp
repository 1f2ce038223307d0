#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "DecayLaw.h"
#include "EffectsChain.h"
#include "KeyVoice.h"
#include "PianoCore.h"
#include "Tables.h"

namespace {

using Values = float[PianoCore::kValueCount];

// What the plug-in's module sends with its default parameters: Decay 100, Release 100,
// Bell and Damper Volume 1, Stereo 100, Voices 20, Tune 0, tremolo off, 44.1 kHz.
void defaultValues(Values& v) {
    const float defaults[PianoCore::kValueCount] = {
        0, 100, 100, 1, 1, 0.1f, 0.1f, 100, 20, 0, 0.4f, 0, 0, 0, 0, 0, 0, 0, 0, 0, 180, 0, 44100};
    for (int i = 0; i < PianoCore::kValueCount; ++i) {
        v[i] = defaults[i];
    }
}

struct Engine {
    PianoCore core;
    Values values{};
    std::vector<float> left, right;

    explicit Engine(float rate = 44100.0f) {
        core.setup(1, 2, rate);
        defaultValues(values);
        values[22] = rate;
        core.applyParameters(values, PianoCore::kSelectorAll);
        core.reset();
    }
    void set(int valueNumber, float v, int selector) {
        values[valueNumber - 1] = v;
        core.applyParameters(values, selector);
    }
    // Renders one host block of n frames; returns the left channel.
    const std::vector<float>& block(int n) {
        left.assign(static_cast<size_t>(std::max(n, 1)), 0.0f);
        right.assign(static_cast<size_t>(std::max(n, 1)), 0.0f);
        ChannelBuffers out;
        out[0] = {left.data(), 1, n};
        out[1] = {right.data(), 1, n};
        core.setPosition(0);
        core.render(out, out);
        return left;
    }
    void noteOn(int note, int velocity = 100, int time = 0) {
        core.queueEvent(0x90, note, velocity, 0, time);
    }
    void noteOff(int note, int time = 0) { core.queueEvent(0x80, note, 0, 0, time); }
    void pedal(int value, int time = 0) { core.queueEvent(0xB0, 64, value, 0, time); }
    bool counted(int note) const { return core.noteState(note).soundingNote != 0; }
};

// First frame at which two renders differ.
int firstDifference(const std::vector<float>& a, const std::vector<float>& b) {
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace

TEST(PianoCoreParameters, Note69WithDefaultsMatchesTheWorkedValues) {
    Engine e;
    const PianoCore& c = e.core;
    // Curve values at note 69 interpolate between breakpoints 67 and 79 (2/12 of the way).
    const NoteConfiguration v = c.noteConfiguration(69);
    EXPECT_EQ(v.hammerOrder, 2);
    EXPECT_NEAR(v.hammerPole, 0.55f + (0.54f - 0.55f) * 2.0f / 12.0f, 1e-6f);
    EXPECT_NEAR(v.hammerLevel, 1.52e-3f, 0.01e-3f);
    // 440 Hz, unstretched at note 69, times the random detune (0.524 - 0.5) × 0.4 %.
    EXPECT_NEAR(v.tineFrequency, 440.0f * (1.0f + 0.024f * 0.004f), 0.01f);
    const float decayMs = 1600.0f + (1500.0f - 1600.0f) * 2.0f / 12.0f;
    EXPECT_NEAR(v.tineDecayCoef, std::exp(-2300.0f / (decayMs * 44100.0f)), 1e-7f);
    EXPECT_NEAR(1.0f - v.tineDecayCoef, 3.29e-5f, 0.01e-5f);
    EXPECT_NEAR(v.tineRingTime, decayMs * 0.01f, 1e-3f);  // ten times the decay, in s
    EXPECT_NEAR(v.bell1Frequency, 7.007f * v.tineFrequency, 0.01f);
    EXPECT_NEAR(v.bell2Frequency, 2.779f * v.bell1Frequency, 0.05f);
    EXPECT_NEAR(v.bell1Level, 2.46e-2f, 0.01e-2f);
    EXPECT_NEAR(v.damperLevel, 1.17e-4f, 0.01e-4f);
    EXPECT_NEAR(v.thumpCutoff, 176.26f + (172.26f - 176.26f) * 2.0f / 12.0f, 1e-3f);
    EXPECT_NEAR(v.thumpQ, 1.8f, 1e-6f);
    EXPECT_NEAR(v.thumpGain, 9.67e3f, 0.01e3f);
    EXPECT_EQ(v.velocityCurve, 7);
    EXPECT_NEAR(v.pickupOffset, 0.502f, 0.001f);
    EXPECT_NEAR(v.outputCutoff, 400.0f * v.tineFrequency / 440.0f, 0.01f);
    EXPECT_NEAR(v.outputQ, 1.65f, 1e-5f);
    EXPECT_NEAR(v.outputGain, 1.78f, 0.01f);
    EXPECT_EQ(c.voiceLimitNow(), 20);
    EXPECT_FLOAT_EQ(c.stereoSpreadNow(), 1.0f);
    EXPECT_FALSE(c.tremoloIsOn());
    EXPECT_FALSE(c.overdriveIsOn());
    EXPECT_FALSE(c.phaserIsOn());
    EXPECT_FALSE(c.chorusIsOn());
}

TEST(PianoCoreParameters, SelectorsApplyOnlyTheirGroup) {
    Engine e;
    const int generation = e.core.generationNow();
    const float frequency = e.core.noteConfiguration(60).tineFrequency;

    e.values[8] = 4.9f;   // Voices
    e.values[9] = 50.0f;  // Tune changed too, but selector 9 applies only the voices
    e.core.applyParameters(e.values, 9);
    EXPECT_EQ(e.core.voiceLimitNow(), 4);
    EXPECT_EQ(e.core.generationNow(), generation);
    EXPECT_EQ(e.core.noteConfiguration(60).tineFrequency, frequency);

    e.core.applyParameters(e.values, 0);  // nothing but the rate bookkeeping
    e.core.applyParameters(e.values, -5);
    EXPECT_EQ(e.core.noteConfiguration(60).tineFrequency, frequency);
    EXPECT_EQ(e.core.generationNow(), generation);

    e.core.applyParameters(e.values, 8);  // stereo: bumps the generation only
    EXPECT_EQ(e.core.generationNow(), generation + 1);
    EXPECT_EQ(e.core.noteConfiguration(60).tineFrequency, frequency);

    e.core.applyParameters(e.values, 10);  // tuning, key tables, chain
    EXPECT_EQ(e.core.generationNow(), generation + 2);
    EXPECT_NEAR(e.core.noteConfiguration(60).tineFrequency / frequency,
                std::pow(2.0f, 50.0f / 1200.0f), 1e-5f);
}

TEST(PianoCoreParameters, TuneRaisesA4ByFiftyCents) {
    Engine e;
    e.set(10, 50.0f, 10);
    // Stretch 0 cents at note 69, random value 0.524, spread 0.4 % peak to peak.
    EXPECT_NEAR(e.core.noteConfiguration(69).tineFrequency, 452.93f, 0.01f);
}

TEST(PianoCoreParameters, DecayScalesTineTimesButNotRelease) {
    Engine e;
    const float releaseCoef = e.core.noteConfiguration(50).tineReleaseCoef;
    const float ring = e.core.noteConfiguration(50).tineRingTime;
    const float coef = e.core.noteConfiguration(50).tineDecayCoef;
    e.set(2, 200.0f, 2);
    EXPECT_NEAR(e.core.noteConfiguration(50).tineRingTime, 2.0f * ring, 1e-4f);
    // Twice the decay time halves the per-sample loss in the exponent. The coefficient is a
    // float just below 1 (ulp 6e-8 against a loss of about 2e-5), hence 1 % on the ratio.
    EXPECT_NEAR(std::log(e.core.noteConfiguration(50).tineDecayCoef) / std::log(coef), 0.5, 0.005);
    EXPECT_EQ(e.core.noteConfiguration(50).tineReleaseCoef, releaseCoef);
}

TEST(PianoCoreParameters, BellVolumeZeroSilencesBellsButNotTheDamperLevel) {
    Engine e;
    e.values[4] = 2.0f;  // Damper Volume
    e.set(4, 0.0f, 4);   // Bell Volume
    EXPECT_EQ(e.core.noteConfiguration(69).bell1Level, 0.0f);
    // With no bell volume to divide by, the damper level uses "Damper Volume" undivided.
    const float curve11 = 0.12f + (0.1f - 0.12f) * 2.0f / 12.0f;
    EXPECT_NEAR(e.core.noteConfiguration(69).damperLevel, curve11 * 2.0f * 0.001f, 1e-8f);
}

TEST(PianoCoreParameters, RatesOutsideTheVoicedRangeAreReportedButComputedAsGiven) {
    PianoCore core;
    core.setup(1, 2, 44100.0f);
    Values v;
    defaultValues(v);
    v[22] = 48000.0f;
    EXPECT_EQ(core.applyParameters(v, 23), 0);
    v[22] = 32000.0f;
    EXPECT_EQ(core.applyParameters(v, 23), PianoCore::kRateClamped);
    EXPECT_EQ(core.sampleRateGivenNow(), 32000.0f);
    const float decayMs = 1600.0f + (1500.0f - 1600.0f) * 2.0f / 12.0f;
    EXPECT_NEAR(core.noteConfiguration(69).tineDecayCoef, decayCoefficient(decayMs, 32000.0f),
                1e-9f);
    v[22] = 192000.0f;
    EXPECT_EQ(core.applyParameters(v, 23), PianoCore::kRateClamped);
    EXPECT_NEAR(core.noteConfiguration(69).tineDecayCoef, decayCoefficient(decayMs, 192000.0f),
                1e-9f);
    v[22] = std::nanf("");
    EXPECT_EQ(core.applyParameters(v, 23), PianoCore::kRateClamped);
    EXPECT_TRUE(std::isfinite(core.noteConfiguration(69).tineDecayCoef));
}

TEST(PianoCoreParameters, VoicesBelowOneCountAsOne) {
    Engine e;
    e.set(9, 0.0f, 9);
    EXPECT_EQ(e.core.voiceLimitNow(), 1);
    e.set(9, std::nanf(""), 9);
    EXPECT_EQ(e.core.voiceLimitNow(), 1);
    e.noteOn(60);
    e.noteOn(62);
    e.block(16);
    EXPECT_EQ(e.core.voiceCountNow(), 1);
}

TEST(PianoCoreParameters, ASecondEngineReusesTheTables) {
    const Tables& before = Tables::instance();
    const auto frequencies = before.noteFrequency;
    const auto random = before.keyRandom;
    {
        Engine a;
        Engine b;
    }
    Engine c;
    EXPECT_EQ(&Tables::instance(), &before);
    EXPECT_EQ(Tables::instance().noteFrequency, frequencies);
    EXPECT_EQ(Tables::instance().keyRandom, random);
}

TEST(PianoCoreNotes, VelocityZeroIsANoteOffAlsoUnderThePedal) {
    Engine e;
    e.noteOn(60);
    e.core.queueEvent(0x90, 60, 0, 0, 1);
    e.block(8);
    EXPECT_FALSE(e.counted(60));
    EXPECT_EQ(e.core.voiceCountNow(), 0);

    e.pedal(127);
    e.noteOn(62);
    e.core.queueEvent(0x90, 62, 0, 0, 1);
    e.block(8);
    EXPECT_TRUE(e.counted(62));  // held by the pedal
    EXPECT_FALSE(e.core.noteState(62).keyDown);
    e.pedal(0);
    e.block(8);
    EXPECT_TRUE(e.counted(62));  // released by the pedal, still counted
    EXPECT_EQ(e.core.voiceCountNow(), 1);
}

TEST(PianoCoreNotes, PedalFollowsTheMidiThreshold) {
    Engine e;
    e.pedal(10);  // a resting half-pedal is up
    e.block(4);
    EXPECT_FALSE(e.core.sustainIsOn());
    e.pedal(64);
    e.block(4);
    EXPECT_TRUE(e.core.sustainIsOn());
    e.pedal(63);
    e.block(4);
    EXPECT_FALSE(e.core.sustainIsOn());
}

TEST(PianoCoreNotes, OneVoiceReleasesThePreviousNoteAndRestrikesWithoutStealing) {
    Engine e;
    e.set(9, 1.0f, 9);
    e.noteOn(60);
    e.block(8);
    e.noteOn(64);
    e.block(8);
    EXPECT_FALSE(e.counted(60));
    EXPECT_TRUE(e.counted(64));
    EXPECT_EQ(e.core.voiceCountNow(), 1);
    EXPECT_EQ(e.core.key(60 - 21).age, 0);

    e.noteOn(64);  // struck again while counted: reuses its own voice
    e.block(8);
    EXPECT_TRUE(e.counted(64));
    EXPECT_EQ(e.core.voiceCountNow(), 1);
    EXPECT_EQ(e.core.key(64 - 21).age, 2);
}

TEST(PianoCoreNotes, PedalHeldNotesCountUntilStolenOldestFirst) {
    Engine e;
    e.set(9, 4.0f, 9);
    e.pedal(127);
    for (int note : {60, 62, 64, 65}) {
        e.noteOn(note);
        e.noteOff(note, 1);
        e.block(8);
    }
    e.pedal(0);
    e.block(8);
    EXPECT_EQ(e.core.voiceCountNow(), 4);
    e.noteOn(67);
    e.block(8);
    EXPECT_FALSE(e.counted(60));  // the oldest was stolen
    for (int note : {62, 64, 65, 67}) {
        EXPECT_TRUE(e.counted(note)) << note;
    }
    EXPECT_EQ(e.core.voiceCountNow(), 4);
}

TEST(PianoCoreNotes, AHeldNoteIsStolenOnlyWhenEveryCountedNoteIsHeld) {
    Engine e;
    e.set(9, 2.0f, 9);
    e.pedal(127);
    e.noteOn(60);  // oldest, held
    e.noteOn(62);
    e.noteOff(62, 1);  // younger, held only by the pedal
    e.block(8);
    e.noteOn(64);
    e.block(8);
    EXPECT_TRUE(e.counted(60));
    EXPECT_FALSE(e.counted(62));
    e.noteOn(65);  // now 60 and 64 are both held: the oldest held goes
    e.block(8);
    EXPECT_FALSE(e.counted(60));
    EXPECT_TRUE(e.counted(64));
    EXPECT_TRUE(e.counted(65));
    EXPECT_EQ(e.core.voiceCountNow(), 2);
}

TEST(PianoCoreNotes, AllNotesOffDropsTheRestOfTheQueue) {
    Engine e;
    e.noteOn(60);
    e.core.queueEvent(0xB0, 123, 0, 0, 10);
    e.noteOn(64, 100, 20);  // queued after all-notes-off: dropped
    e.block(64);
    EXPECT_EQ(e.core.voiceCountNow(), 0);
    EXPECT_FALSE(e.counted(60));
    EXPECT_FALSE(e.counted(64));
    EXPECT_TRUE(e.core.key(60 - 21).isActive());  // its release tail still sounds
    EXPECT_FALSE(e.core.key(64 - 21).isActive());
}

TEST(PianoCoreNotes, The129thQueuedEventIsDropped) {
    Engine e;
    for (int i = 0; i < 128; ++i) {
        EXPECT_EQ(e.core.queueEvent(0xE0, 0, 64, 0, 0), 0);
    }
    EXPECT_EQ(e.core.queueEvent(0x90, 60, 100, 0, 0), EventQueue::kFull);
    e.block(4);
    EXPECT_FALSE(e.counted(60));
}

TEST(PianoCoreNotes, NotesOutsideTheKeyboardAreIgnored) {
    Engine e;
    e.noteOn(20);
    e.noteOn(109);
    e.block(8);
    EXPECT_EQ(e.core.voiceCountNow(), 0);
}

TEST(PianoCoreNotes, ResetSilencesEverythingAndLiftsThePedal) {
    Engine e;
    e.pedal(127);
    e.noteOn(60);
    e.noteOn(64);
    e.block(64);
    e.core.reset();
    EXPECT_EQ(e.core.voiceCountNow(), 0);
    EXPECT_FALSE(e.core.sustainIsOn());
    for (int k = 0; k < PianoCore::kKeyCount; ++k) {
        EXPECT_FALSE(e.core.key(k).isActive());
    }
}

TEST(PianoCoreRendering, AnEventAtOffset300SoundsFromFrame44OfTheSecondSlice) {
    Engine silent;
    const std::vector<float> reference = silent.block(600);
    Engine e;
    e.noteOn(69, 100, 300);
    const std::vector<float>& out = e.block(600);
    // Everything before the event is the same computation; the key adds from frame 300.
    EXPECT_EQ(firstDifference(reference, out), 300);
}

TEST(PianoCoreRendering, AnEventAtOffsetZeroSoundsFromFrameZero) {
    Engine silent;
    const std::vector<float> reference = silent.block(64);
    Engine e;
    e.noteOn(69, 100, 0);
    EXPECT_EQ(firstDifference(reference, e.block(64)), 0);
}

TEST(PianoCoreRendering, AnEventBeyondTheBlockWaitsForTheNextBlock) {
    Engine e;
    e.noteOn(69, 100, 700);
    e.block(512);
    EXPECT_FALSE(e.counted(69));
    e.block(512);  // the event time is relative to the next block start too: frame 700 > 512
    EXPECT_FALSE(e.counted(69));
}

TEST(PianoCoreRendering, AnEventFromTheFarPastBehindALaterOnePlaysRightAfterIt) {
    // Queued behind a note at frame 1600, an event time at the bottom of the int range lies
    // more than 2^31 frames before the slice starting at 1536, further than an int difference
    // reaches. It is a late event: it plays at once after the note ahead of it.
    Engine reference;
    reference.noteOn(60, 100, 1600);
    reference.noteOn(69, 100, 1600);
    const std::vector<float> expected = reference.block(2048);
    Engine e;
    e.noteOn(60, 100, 1600);
    e.noteOn(69, 100, -2147483647 - 1);
    EXPECT_EQ(e.block(2048), expected);
    EXPECT_TRUE(e.counted(69));
}

TEST(PianoCoreRendering, ABlockOfZeroFramesHandlesEventsAtOffsetZero) {
    Engine e;
    e.noteOn(60, 100, 0);
    e.noteOn(62, 100, 1);
    e.block(0);
    EXPECT_TRUE(e.counted(60));
    EXPECT_FALSE(e.counted(62));
}

TEST(PianoCoreRendering, OutputDoesNotDependOnBlockSizeAcrossSliceMultiples) {
    // Slices fall on the same 256-frame grid for blocks of 256, 512 and 4096 frames.
    std::vector<float> results[3];
    const int sizes[3] = {256, 512, 4096};
    for (int s = 0; s < 3; ++s) {
        Engine e;
        const int total = 8192;
        for (int start = 0; start < total; start += sizes[s]) {
            for (int note = 40; note < 90; note += 7) {
                const int frame = (note - 40) * 97;
                if (frame >= start && frame < start + sizes[s]) {
                    e.noteOn(note, 30 + note, frame - start);
                }
            }
            const std::vector<float>& out = e.block(sizes[s]);
            results[s].insert(results[s].end(), out.begin(), out.end());
        }
    }
    for (size_t i = 0; i < results[0].size(); ++i) {
        ASSERT_EQ(results[0][i], results[1][i]) << i;
        ASSERT_EQ(results[0][i], results[2][i]) << i;
    }
}

TEST(PianoCoreRendering, ARenderBeforeTheFirstParametersIsSilentForEveryNote) {
    PianoCore core;
    core.setup(1, 2, 44100.0f);
    core.queueEvent(0x90, 60, 127, 0, 0);
    std::vector<float> l(256), r(256);
    ChannelBuffers out;
    out[0] = {l.data(), 1, 256};
    out[1] = {r.data(), 1, 256};
    core.render(out, out);
    for (float x : l) {
        EXPECT_LT(std::fabs(x), 1e-4f);  // only the equaliser's anti-denormal offset, at most
    }
}

namespace {
// Renders `seconds` of the left channel and finds the strongest frequency between lo and hi
// (Hann-windowed DFT scanned in 0.02 Hz steps, from 0.3 s on, after the hammer's attack).
double peakFrequency(Engine& e, float rate, double seconds, double lo, double hi) {
    std::vector<float> all;
    while (all.size() < static_cast<size_t>(seconds * rate)) {
        const std::vector<float>& out = e.block(512);
        all.insert(all.end(), out.begin(), out.end());
    }
    const auto first = static_cast<size_t>(0.3 * rate);
    const size_t count = static_cast<size_t>(seconds * rate) - first;
    const double pi = 3.14159265358979323846;
    double best = 0.0, bestFrequency = 0.0;
    for (double f = lo; f <= hi; f += 0.02) {
        // Goertzel recursion for one frequency.
        const double w = 2.0 * pi * f / rate;
        const double k = 2.0 * std::cos(w);
        double s1 = 0.0, s2 = 0.0;
        for (size_t i = 0; i < count; ++i) {
            const double hann = 0.5 - 0.5 * std::cos(2.0 * pi * static_cast<double>(i) /
                                                     static_cast<double>(count - 1));
            const double s0 = all[first + i] * hann + k * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        const double power = s1 * s1 + s2 * s2 - k * s1 * s2;
        if (power > best) {
            best = power;
            bestFrequency = f;
        }
    }
    return bestFrequency;
}
}  // namespace

TEST(PianoCoreRendering, ANoteAt48kHzHasTheSamePitchAsAt44k1) {
    Engine a(44100.0f);
    a.noteOn(69, 100);
    const double f44 = peakFrequency(a, 44100.0f, 1.3, 430.0, 450.0);

    Engine b(44100.0f);  // set up at 44.1 kHz, then the host switches to 48 kHz
    b.core.setSampleRate(48000.0f);
    b.set(23, 48000.0f, PianoCore::kSelectorAll);
    b.noteOn(69, 100);
    const double f48 = peakFrequency(b, 48000.0f, 1.3, 430.0, 450.0);

    // A4 is unstretched; the random detune puts it at 440 x (1 + 0.024 x 0.004) = 440.04 Hz.
    // One second of signal resolves the peak to well under 0.1 Hz; 1.5 semitones would be 40 Hz.
    EXPECT_NEAR(f44, 440.04, 0.1);
    EXPECT_NEAR(f48, 440.04, 0.1);
}
