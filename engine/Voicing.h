#pragma once

// A voicing: 22 key-scaling curves, each given by its values at the breakpoint notes 36, 55,
// 67, 79, 91 and 103, and one row of 22 equaliser settings for the effects chain.
//
// Curves: 0 hammer order, 1 hammer pole, 2 hammer level ×100, 3 hammer velocity sensitivity,
// 4 tine decay time (10 dB, ms), 5 tine release time (10 dB, ms), 6 first bell partial ratio,
// 7 second bell partial ratio to the first, 8 bell decay time held (ms), 9 bell decay time
// released (ms), 10 bell level, 11 damper level ×1000, 12 thump cutoff (Hz), 13 thump Q,
// 14 thump gain /10000, 15 velocity curve code, 16 pickup offset, 17 output high-pass cutoff
// at 440 Hz, 18 output Q, 19 output gain, 20 random spread of the bell level, 21 random spread
// of the bell decay.
struct VoicingSet {
    static constexpr int kCurves = 22;
    static constexpr int kBreakpoints = 6;
    static constexpr int kEqualiserValues = 22;

    float curves[kCurves][kBreakpoints];
    float equaliser[kEqualiserValues];
};

// The voicing set of the given index. Only set 0 exists; every index answers set 0.
const VoicingSet& voicingSet(int index) noexcept;
