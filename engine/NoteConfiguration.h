#pragma once

// The 28 values with which the engine sets a key voice up for its note at note-on, in the
// order the engine passes them. Frequencies already include the event's detune factor.
struct NoteConfiguration {
    int hammerOrder = 0;            // 1
    float hammerPole = 0.0f;        // 2
    float hammerLevel = 0.0f;       // 3
    float hammerVelocitySens = 0;   // 4
    float tineFrequency = 0.0f;     // 5  (detune × per-note value), Hz
    float tineDecayCoef = 0.0f;     // 6
    float tineReleaseCoef = 0.0f;   // 7
    float tineRingTime = 0.0f;      // 8  seconds
    float bellRingTime = 0.0f;      // 9  seconds
    float bell1Frequency = 0.0f;    // 10 (detune ×), Hz
    float bell1HoldCoef = 0.0f;     // 11
    float bell1ReleaseCoef = 0.0f;  // 12
    float bell1Level = 0.0f;        // 13
    float bell2Frequency = 0.0f;    // 14 (detune ×), Hz
    float bell2HoldCoef = 0.0f;     // 15
    float bell2ReleaseCoef = 0.0f;  // 16
    float bell2Level = 0.0f;        // 17
    float damperLevel = 0.0f;       // 18
    float thumpCutoff = 0.0f;       // 19 Hz
    float thumpQ = 0.0f;            // 20
    float thumpGain = 0.0f;         // 21
    float pickupOffset = 0.0f;      // 22
    float outputCutoff = 0.0f;      // 23 Hz
    float outputQ = 0.0f;           // 24
    float outputGain = 0.0f;        // 25
    float stereoSpread = 0.0f;      // 26 0..1
    int velocityCurve = 0;          // 27
    float sampleRate = 0.0f;        // 28 the rate given to applyParameters; not used
};
