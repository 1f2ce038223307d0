#pragma once

#include <cstdint>
#include <vector>

// A dense piano performance as a Standard MIDI File, generated from a seed: format 1, a tempo
// track that changes tempo every few bars and a performance track that plays chords, fast runs
// and repeated notes across the whole keyboard on all sixteen channels, with the sustain pedal
// going down and up, all-notes-off now and then, pitch bends, other controllers and notes
// outside the piano's range. The same seed always gives the same bytes (the generator is our
// own 32-bit xorshift, not a library distribution).
class DenseMidi {
public:
    static constexpr uint16_t kTicksPerQuarter = 480;

    // About `seconds` of music (at the tempi the file sets).
    static std::vector<uint8_t> generate(uint32_t seed, double seconds);
};
