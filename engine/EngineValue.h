#pragma once

// The engine's value list: the positions 1 to 23 of PianoCore::applyParameters' values (the
// array index is the position less one). A position given as the selector applies its group.
enum class EngineValue : int {
    kVoicingSet = 1,
    kDecay = 2,          // % of the voicing's decay times
    kRelease = 3,        // % of the voicing's release times
    kBellVolume = 4,     // factor
    kDamperVolume = 5,   // factor
    kStretchLow = 6,     // share of the stretch tuning below note 60
    kStretchHigh = 7,    // share of the stretch tuning from note 60 up
    kStereoSpread = 8,   // %
    kVoices = 9,         // voice limit
    kTune = 10,          // cents
    kRandomDetune = 11,  // peak-to-peak spread of the fixed per-key detune, %
    kEqualiserB = 12,    // dB added to the gain that the voicing's second route names
    kEqualiserA = 13,    // dB added to the gain that the voicing's first route names
    kDrive = 14,         // overdrive drive, dB (on when above 0)
    kDriveTone = 15,     // overdrive tone, Hz
    kPhaserRate = 16,    // Hz (on when above 0)
    kPhaserFeedback = 17,
    kPhaserPhase = 18,    // degrees
    kTremoloRate = 19,    // Hz
    kTremoloDepth = 20,   // % (on when above 0)
    kTremoloStereo = 21,  // degrees
    kChorus = 22,         // % (on when above 0)
    kSampleRate = 23,     // Hz
};

// The array index of position v.
constexpr int indexOf(EngineValue v) noexcept {
    return static_cast<int>(v) - 1;
}
