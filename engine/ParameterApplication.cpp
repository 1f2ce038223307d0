// How settings reach the engine: the 23 values and the selector of applyParameters fill the
// per-note arrays from the voicing curves and the process-wide tables, configure the voicing
// equaliser, and hand the optional units their settings.

#include <cmath>

#include "ChorusUnit.h"
#include "DecayLaw.h"
#include "EffectsChain.h"
#include "OverdriveUnit.h"
#include "PhaserUnit.h"
#include "PianoCore.h"
#include "ReferenceRate.h"
#include "Tables.h"
#include "TremoloUnit.h"
#include "Voicing.h"

namespace {

// Value k of the engine's list (1-based, as the value table counts them).
inline float value(const float (&values)[PianoCore::kValueCount], int k) noexcept {
    return values[k - 1];
}

enum Group : unsigned {
    kTuning = 1u << 0,
    kKeyTables = 1u << 1,
    kChain = 1u << 2,
    kStereo = 1u << 3,
    kVoices = 1u << 4,
    kOverdrive = 1u << 5,
    kPhaser = 1u << 6,
    kTremolo = 1u << 7,
    kChorus = 1u << 8,
    kEvery = 0x1FFu,
};

unsigned groupsOf(int32_t selector) noexcept {
    if (selector >= PianoCore::kSelectorAll) {
        return kEvery;
    }
    switch (selector) {
        case 1:
        case 2:
        case 3:
        case 4:
        case 5:
            return kKeyTables | kChain;
        case 6:
        case 7:
        case 10:
        case 11:
            return kTuning | kKeyTables | kChain;
        case 8:
            return kStereo;
        case 9:
            return kVoices;
        case 12:
        case 13:
            return kChain;
        case 14:
        case 15:
            return kOverdrive;
        case 16:
        case 17:
        case 18:
            return kPhaser;
        case 19:
        case 20:
        case 21:
            return kTremolo;
        case 22:
            return kChorus;
        default:
            return 0;  // 0, negative: nothing
    }
}

}  // namespace

int PianoCore::applyParameters(const float (&values)[kValueCount], int32_t selector) noexcept {
    sampleRateGiven = value(values, 23);
    // Everything is computed for the rate given (within the 8 kHz to 384 kHz that hosts use);
    // a rate outside 44 kHz to 97 kHz is still reported, as callers may rely on the code.
    const float given = value(values, 23);
    const float rate = static_cast<float>(reference_rate::computedRate(given));
    const int result = given >= 44000.0f && given <= 97000.0f ? 0 : kRateClamped;

    unsigned groups = groupsOf(selector);
    if (!effectsChain) {
        groups &= kTuning | kKeyTables | kStereo | kVoices;  // no units before setup
    }
    if ((groups & kTuning) != 0u) {
        applyTuning(values);
    }
    if ((groups & kKeyTables) != 0u) {
        applyKeyTables(values, rate);
    }
    if ((groups & kChain) != 0u) {
        applyChain(values, rate);
    }
    if ((groups & kStereo) != 0u) {
        applyStereo(values);
    }
    if ((groups & kVoices) != 0u) {
        applyVoices(values);
    }
    if ((groups & kPhaser) != 0u) {
        applyPhaser(values, rate);
    }
    if ((groups & kTremolo) != 0u) {
        applyTremolo(values, rate);
    }
    if ((groups & kChorus) != 0u) {
        applyChorus(values, rate);
    }
    if ((groups & kOverdrive) != 0u) {
        applyOverdrive(values, rate);
    }
    return result;
}

// Equal temperament, stretched by a share of the stretch table, moved by the master tuning,
// then detuned per key by the fixed random value (peak-to-peak spread in percent).
void PianoCore::applyTuning(const float (&values)[kValueCount]) noexcept {
    const Tables& tables = Tables::instance();
    const float master = std::pow(2.0f, value(values, 10) * (1.0f / 1200.0f));
    for (size_t i = 0; i < 128; ++i) {
        const float s = i < 60 ? value(values, 6) : value(values, 7);
        tineFrequency[i] =
            (s * tables.stretchRatio[i] + (1.0f - s)) * tables.noteFrequency[i] * master;
    }
    const float spread = value(values, 11) * 0.01f;
    for (size_t i = 0; i < 128; ++i) {
        tineFrequency[i] *= (tables.keyRandom[i] - 0.5f) * spread + 1.0f;
    }
}

void PianoCore::applyKeyTables(const float (&values)[kValueCount], float rate) noexcept {
    const Tables& tables = Tables::instance();
    const VoicingSet& voicing = voicingSet(static_cast<int>(value(values, 1)));
    for (size_t j = 0; j < curves.size(); ++j) {
        curves[j].pointAt(voicing.curves[j]);
    }

    const float decayScale = value(values, 2) * 0.01f;
    const float releaseScale = value(values, 3) * 0.01f;
    const float bellVolume = value(values, 4);
    // The damper noise reaches the output only through the bells, whose level carries the
    // bell volume: the damper level is divided by it to stay independent.
    const float damperVolume =
        bellVolume != 0.0f ? value(values, 5) / bellVolume : value(values, 5);

    for (int note = kLowestNote; note <= kHighestNote; ++note) {
        const auto n = static_cast<size_t>(note);
        float c[22];
        for (size_t j = 0; j < 22; ++j) {
            c[j] = curves[j].value(note);
        }
        const float random = tables.keyRandom[n];
        const float bellDecaySpread = 1.0f + c[21] * (random - 1.0f);

        hammerOrder[n] = static_cast<int>(c[0]);
        hammerPole[n] = c[1];
        hammerLevel[n] = c[2] * 0.01f;
        hammerVelocitySens[n] = c[3];
        tineDecayCoef[n] = decayCoefficient(c[4] * decayScale, rate);
        tineReleaseCoef[n] = decayCoefficient(c[5] * releaseScale, rate);
        tineRingTime[n] = c[4] * decayScale * 0.01f;
        bellRingTime[n] = c[8] * 0.01f;
        bell1Frequency[n] = c[6] * tineFrequency[n];
        bell2Frequency[n] = c[7] * bell1Frequency[n];
        bellHoldCoef[n] = decayCoefficient(c[8] * bellDecaySpread, rate);
        bellReleaseCoef[n] = decayCoefficient(c[9] * bellDecaySpread, rate);
        bellLevel[n] = c[10] * (1.0f + c[20] * (random - 1.0f)) * bellVolume;
        damperLevel[n] = c[11] * damperVolume * 0.001f;
        thumpCutoff[n] = c[12];
        thumpQ[n] = c[13];
        thumpGain[n] = c[14] * 10000.0f;
        velocityCurve[n] = static_cast<int>(c[15]);
        pickupOffset[n] = c[16];
        outputCutoff[n] = c[17] * tineFrequency[n] * 0.0022727272f;
        outputQ[n] = c[18];
        outputGain[n] = c[19];
        velocityLimit[n] = 127;
    }
    generation += 1;
}

void PianoCore::applyChain(const float (&values)[kValueCount], float rate) noexcept {
    const float* row = voicingSet(static_cast<int>(value(values, 1))).equaliser;
    float gains[5] = {row[2], row[3], row[4], row[5], row[6]};
    // Two modulation routes: r0 names the gain that value 13 is added to, r1 the gain for
    // value 12; any other number adds nothing.
    const int routeA = static_cast<int>(row[0]);
    const int routeB = static_cast<int>(row[1]);
    if (routeA >= 1 && routeA <= 5) {
        gains[routeA - 1] += value(values, 13);
    }
    if (routeB >= 1 && routeB <= 5) {
        gains[routeB - 1] += value(values, 12);
    }

    float chainValues[26];
    for (int i = 0; i < 5; ++i) {
        chainValues[i] = gains[i];
        chainValues[5 + i] = row[7 + i];
        chainValues[10 + i] = row[12 + i];
        chainValues[15 + i] = 1.0f;
        chainValues[20 + i] = row[17 + i];
    }
    chainValues[25] = rate;
    effectsChain->configure(chainValues);
}

void PianoCore::applyStereo(const float (&values)[kValueCount]) noexcept {
    stereoSpread = value(values, 8) * 0.01f;
    generation += 1;  // the stereo position is part of each key's configuration
}

void PianoCore::applyVoices(const float (&values)[kValueCount]) noexcept {
    // At least one voice, so that a steal always finds a victim (NaN counts as too low).
    const float voices = value(values, 9);
    voiceLimit = voices >= 1.0f ? static_cast<int>(std::fmin(voices, 1.0e6f)) : 1;
}

void PianoCore::applyOverdrive(const float (&values)[kValueCount], float rate) noexcept {
    const float drive = value(values, 14);
    overdriveOn = drive > 0.0f;
    overdrive->setParameters(drive, value(values, 15), -drive / (drive * 0.0165f + 1.5f), rate);
}

void PianoCore::applyPhaser(const float (&values)[kValueCount], float rate) noexcept {
    phaserOn = value(values, 16) > 0.0f;
    phaser->setParameters(value(values, 16), 1.0f, 0.0f, value(values, 17) * 0.8f, 550.0f, 5500.0f,
                          4.0f, 0.0f, value(values, 18), 50.0f, 0.0f, 1.0f, rate);
}

void PianoCore::applyTremolo(const float (&values)[kValueCount], float rate) noexcept {
    tremoloOn = value(values, 20) > 0.0f;
    tremolo->setParameters(value(values, 20), value(values, 19), 50.0f, 40.0f, value(values, 21),
                           rate);
}

void PianoCore::applyChorus(const float (&values)[kValueCount], float rate) noexcept {
    chorusOn = value(values, 22) > 0.0f;
    chorus->setParameters(value(values, 22) * 0.5f, 0.0f, 10.0f, 0.7f, 0.7f, 0.0f, 0.0f, 0.0f, 0.0f,
                          0.0f, 180.0f, rate);
}
