// Note and pedal handling: events taken from the queue at their sample position start and
// release keys, hold them with the sustain pedal, and keep the number of counted notes within
// the "Voices" limit by stealing the oldest counted key.

#include "KeyVoice.h"
#include "PianoCore.h"
#include "Tables.h"

namespace {
constexpr int kNoteOff = 0x80;
constexpr int kNoteOn = 0x90;
constexpr int kControlChange = 0xB0;
constexpr int kPitchBend = 0xE0;
constexpr int kSustainController = 64;
constexpr int kAllNotesOffController = 123;
// MIDI convention: 64 and above is down. Kept as it is on purpose: a half-pedal reading just
// below 64 lifts the dampers, as on every instrument that follows the convention.
constexpr int kPedalDownThreshold = 64;
constexpr float kVelocityScale = 0.007874016f;  // 1/127
}  // namespace

NoteConfiguration PianoCore::noteConfiguration(int note, float detuneFactor) const noexcept {
    const auto n = static_cast<size_t>(note);
    NoteConfiguration c;
    c.hammerOrder = hammerOrder[n];
    c.hammerPole = hammerPole[n];
    c.hammerLevel = hammerLevel[n];
    c.hammerVelocitySens = hammerVelocitySens[n];
    c.tineFrequency = detuneFactor * tineFrequency[n];
    c.tineDecayCoef = tineDecayCoef[n];
    c.tineReleaseCoef = tineReleaseCoef[n];
    c.tineRingTime = tineRingTime[n];
    c.bellRingTime = bellRingTime[n];
    c.bell1Frequency = detuneFactor * bell1Frequency[n];
    c.bell1HoldCoef = bellHoldCoef[n];
    c.bell1ReleaseCoef = bellReleaseCoef[n];
    c.bell1Level = bellLevel[n];
    c.bell2Frequency = detuneFactor * bell2Frequency[n];
    c.bell2HoldCoef = bellHoldCoef[n];
    c.bell2ReleaseCoef = bellReleaseCoef[n];
    c.bell2Level = bellLevel[n];
    c.damperLevel = damperLevel[n];
    c.thumpCutoff = thumpCutoff[n];
    c.thumpQ = thumpQ[n];
    c.thumpGain = thumpGain[n];
    c.pickupOffset = pickupOffset[n];
    c.outputCutoff = outputCutoff[n];
    c.outputQ = outputQ[n];
    c.outputGain = outputGain[n];
    c.stereoSpread = stereoSpread;
    c.velocityCurve = velocityCurve[n];
    c.sampleRate = sampleRateGiven;
    return c;
}

void PianoCore::processNextEvent() noexcept {
    EventSlot event;
    if (events.pop(event) != 0) {
        return;
    }
    if (event.detune != lastDetune) {
        lastDetune = event.detune;
        generation += 1;  // every key reconfigures at its next note-on
    }
    const float detuneFactor = Tables::instance().detune(event.detune);

    int status = event.status & 0xF0;
    if (status == kNoteOn && event.data2 == 0) {
        status = kNoteOff;
    }
    const int note = event.data1;
    switch (status) {
        case kNoteOff:
            if (note < kLowestNote || note > kHighestNote) {
                return;
            }
            noteStates[static_cast<size_t>(note)].keyDown = false;
            if (!sustainOn) {
                noteOff(note);
            }
            return;
        case kNoteOn:
            if (note < kLowestNote || note > kHighestNote) {
                return;
            }
            noteStates[static_cast<size_t>(note)].keyDown = true;
            noteOn(note, event.data2, detuneFactor);
            return;
        case kControlChange:
            if (event.data1 == kSustainController) {
                sustain(event.data2);
            } else if (event.data1 == kAllNotesOffController) {
                allNotesOff();
            }
            return;
        case kPitchBend:  // accepted, no effect on the sound
        default:
            return;
    }
}

void PianoCore::sustain(int value) noexcept {
    if (value >= kPedalDownThreshold) {
        sustainOn = true;
        return;
    }
    sustainOn = false;
    // Notes let go under the pedal now release, but stay counted until stolen or struck again.
    for (int note = kLowestNote; note <= kHighestNote; ++note) {
        const NoteState& state = noteStates[static_cast<size_t>(note)];
        if (!state.keyDown && state.soundingNote != 0) {
            keys[static_cast<size_t>(note - kLowestNote)]->release();
        }
    }
}

void PianoCore::allNotesOff() noexcept {
    for (auto& key : keys) {
        key->release();  // the release tails keep sounding
        key->age = 0;
    }
    events.clear();  // also drops the events still queued for this block
    voiceCount = 0;
    sustainOn = false;
    noteStates.fill(NoteState{});
}

void PianoCore::noteOff(int note) noexcept {
    NoteState& state = noteStates[static_cast<size_t>(note)];
    if (state.soundingNote == 0) {
        return;
    }
    KeyVoice& key = *keys[static_cast<size_t>(note - kLowestNote)];
    key.release();
    voiceCount -= 1;
    key.age = 0;
    state.soundingNote = 0;
}

void PianoCore::noteOn(int note, int velocity, float detuneFactor) noexcept {
    const auto n = static_cast<size_t>(note);
    KeyVoice& key = *keys[n - kLowestNote];
    if (noteStates[n].soundingNote != 0) {
        // Struck again while counted: it stops counting before the limit is checked, so the
        // steal below can never pick this key and count it out twice.
        voiceCount -= 1;
        key.age = 0;
        noteStates[n].soundingNote = 0;
    }
    if (voiceCount >= voiceLimit) {
        stealVoice();
    }
    key.age = 1;
    noteStates[n].soundingNote = note;

    const int v = velocity > velocityLimit[n] ? velocityLimit[n] : velocity;
    if (!key.checkGeneration(generation)) {
        key.configureNote(noteConfiguration(note, detuneFactor));
    }
    key.setVelocity(static_cast<float>(v) * kVelocityScale);
    key.trigger();
    const size_t index = n - kLowestNote;
    struckKeys[index / 64] |= uint64_t{1} << (index % 64);
    voiceCount += 1;

    for (auto& k : keys) {
        if (k->age != 0) {
            k->age += 1;  // the key just started reaches 2, every older counted key grows
        }
    }
}

// Releases the oldest counted key whose note is not held; only when every counted note is
// held, the oldest of all. Ties go to the lowest key, and age 0 (not counted) never wins.
void PianoCore::stealVoice() noexcept {
    KeyVoice* victim = nullptr;
    int best = 0;
    for (int k = 0; k < kKeyCount; ++k) {
        KeyVoice& key = *keys[static_cast<size_t>(k)];
        if (!noteStates[static_cast<size_t>(k + kLowestNote)].keyDown && key.age > best) {
            best = key.age;
            victim = &key;
        }
    }
    if (victim == nullptr) {
        for (auto& key : keys) {
            if (key->age > best) {
                best = key->age;
                victim = key.get();
            }
        }
    }
    if (victim == nullptr) {
        return;
    }
    voiceCount -= 1;
    victim->age = 0;
    noteStates[static_cast<size_t>(victim->keyIndex + kLowestNote)].soundingNote = 0;
    victim->release();  // a stolen key fades with its release decay and damper noise
}
