// How settings reach the engine: the 23 values and the selector of applyParameters fill the
// per-note arrays from the voicing curves and the process-wide tables, configure the voicing
// equaliser, and hand the optional units their settings.

#include <cmath>

#include "ChorusUnit.h"
#include "DecayLaw.h"
#include "EffectsChain.h"
#include "EngineValue.h"
#include "OverdriveUnit.h"
#include "PhaserUnit.h"
#include "PianoCore.h"
#include "ReferenceRate.h"
#include "Tables.h"
#include "TremoloUnit.h"
#include "Voicing.h"

namespace {

inline float value(const float (&values)[PianoCore::kValueCount], EngineValue v) noexcept {
    return values[indexOf(v)];
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
    switch (static_cast<EngineValue>(selector)) {
        case EngineValue::kVoicingSet:
        case EngineValue::kDecay:
        case EngineValue::kRelease:
        case EngineValue::kBellVolume:
        case EngineValue::kDamperVolume:
            return kKeyTables | kChain;
        case EngineValue::kStretchLow:
        case EngineValue::kStretchHigh:
        case EngineValue::kTune:
        case EngineValue::kRandomDetune:
            return kTuning | kKeyTables | kChain;
        case EngineValue::kStereoSpread:
            return kStereo;
        case EngineValue::kVoices:
            return kVoices;
        case EngineValue::kEqualiserB:
        case EngineValue::kEqualiserA:
            return kChain;
        case EngineValue::kDrive:
        case EngineValue::kDriveTone:
            return kOverdrive;
        case EngineValue::kPhaserRate:
        case EngineValue::kPhaserFeedback:
        case EngineValue::kPhaserPhase:
            return kPhaser;
        case EngineValue::kTremoloRate:
        case EngineValue::kTremoloDepth:
        case EngineValue::kTremoloStereo:
            return kTremolo;
        case EngineValue::kChorus:
            return kChorus;
        default:
            return 0;  // 0, negative: nothing
    }
}

}  // namespace

int PianoCore::applyParameters(const float (&values)[kValueCount], int32_t selector) noexcept {
    sampleRateGiven = value(values, EngineValue::kSampleRate);
    // Everything is computed for the rate given (within the 8 kHz to 384 kHz that hosts use);
    // a rate outside 44 kHz to 97 kHz is still reported, as callers may rely on the code.
    const float given = value(values, EngineValue::kSampleRate);
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
    const float master = std::pow(2.0f, value(values, EngineValue::kTune) * (1.0f / 1200.0f));
    for (size_t i = 0; i < 128; ++i) {
        const float s = i < 60 ? value(values, EngineValue::kStretchLow)
                               : value(values, EngineValue::kStretchHigh);
        tineFrequency[i] =
            (s * tables.stretchRatio[i] + (1.0f - s)) * tables.noteFrequency[i] * master;
    }
    const float spread = value(values, EngineValue::kRandomDetune) * 0.01f;
    for (size_t i = 0; i < 128; ++i) {
        tineFrequency[i] *= (tables.keyRandom[i] - 0.5f) * spread + 1.0f;
    }
}

void PianoCore::applyKeyTables(const float (&values)[kValueCount], float rate) noexcept {
    const Tables& tables = Tables::instance();
    const VoicingSet& voicing =
        voicingSet(static_cast<int>(value(values, EngineValue::kVoicingSet)));
    for (size_t j = 0; j < curves.size(); ++j) {
        curves[j].pointAt(voicing.curves[j]);
    }

    const float decayScale = value(values, EngineValue::kDecay) * 0.01f;
    const float releaseScale = value(values, EngineValue::kRelease) * 0.01f;
    const float bellVolume = value(values, EngineValue::kBellVolume);
    // The damper noise reaches the output only through the bells, whose level carries the
    // bell volume: the damper level is divided by it to stay independent.
    const float damperVolume = bellVolume != 0.0f
                                   ? value(values, EngineValue::kDamperVolume) / bellVolume
                                   : value(values, EngineValue::kDamperVolume);

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
    const float* row =
        voicingSet(static_cast<int>(value(values, EngineValue::kVoicingSet))).equaliser;
    float gains[5] = {row[2], row[3], row[4], row[5], row[6]};
    // Two modulation routes: r0 names the gain that value A is added to, r1 the gain for
    // value B; any other number adds nothing.
    const int routeA = static_cast<int>(row[0]);
    const int routeB = static_cast<int>(row[1]);
    if (routeA >= 1 && routeA <= 5) {
        gains[routeA - 1] += value(values, EngineValue::kEqualiserA);
    }
    if (routeB >= 1 && routeB <= 5) {
        gains[routeB - 1] += value(values, EngineValue::kEqualiserB);
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
    stereoSpread = value(values, EngineValue::kStereoSpread) * 0.01f;
    generation += 1;  // the stereo position is part of each key's configuration
}

void PianoCore::applyVoices(const float (&values)[kValueCount]) noexcept {
    // At least one voice, so that a steal always finds a victim (NaN counts as too low).
    const float voices = value(values, EngineValue::kVoices);
    voiceLimit = voices >= 1.0f ? static_cast<int>(std::fmin(voices, 1.0e6f)) : 1;
}

void PianoCore::applyOverdrive(const float (&values)[kValueCount], float rate) noexcept {
    const float drive = value(values, EngineValue::kDrive);
    overdriveOn = drive > 0.0f;
    overdrive->setParameters({.driveDb = drive,
                              .toneHz = value(values, EngineValue::kDriveTone),
                              .levelDb = -drive / (drive * 0.0165f + 1.5f),
                              .sampleRate = rate});
}

void PianoCore::applyPhaser(const float (&values)[kValueCount], float rate) noexcept {
    phaserOn = value(values, EngineValue::kPhaserRate) > 0.0f;
    phaser->setParameters({.rate1 = value(values, EngineValue::kPhaserRate),
                           .rate2 = 1.0f,
                           .lfoMix = 0.0f,
                           .feedbackPercent = value(values, EngineValue::kPhaserFeedback) * 0.8f,
                           .freqLow = 550.0f,
                           .freqHigh = 5500.0f,
                           .stageCount = 4.0f,
                           .envRate = 0.0f,
                           .phaseDegrees = value(values, EngineValue::kPhaserPhase),
                           .mixPercent = 50.0f,
                           .envSweep = 0.0f,
                           .clip = 1.0f,
                           .sampleRate = rate});
}

void PianoCore::applyTremolo(const float (&values)[kValueCount], float rate) noexcept {
    tremoloOn = value(values, EngineValue::kTremoloDepth) > 0.0f;
    tremolo->setParameters({.depthPercent = value(values, EngineValue::kTremoloDepth),
                            .rate = value(values, EngineValue::kTremoloRate),
                            .dutyPercent = 50.0f,
                            .slopePercent = 40.0f,
                            .phaseDegrees = value(values, EngineValue::kTremoloStereo),
                            .sampleRate = rate});
}

void PianoCore::applyChorus(const float (&values)[kValueCount], float rate) noexcept {
    chorusOn = value(values, EngineValue::kChorus) > 0.0f;
    chorus->setParameters({.mixPercent = value(values, EngineValue::kChorus) * 0.5f,
                           .delay = 0.0f,
                           .depth = 10.0f,
                           .rate1 = 0.7f,
                           .rate2 = 0.7f,
                           .lfoMix = 0.0f,
                           .feedbackPercent = 0.0f,
                           .amPercent = 0.0f,
                           .secondTap = 0.0f,
                           .rateScaled = 0.0f,
                           .phaseDegrees = 180.0f,
                           .sampleRate = rate});
}
