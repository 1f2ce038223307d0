#pragma once

#include <array>
#include <cstddef>

// The process-wide tables of the engine, indexed by MIDI note (or detune + 64):
//   noteFrequency[i] = 440 · 2^((i − 69)/12) Hz, equal temperament around A4;
//   stretchRatio[i]  = 2^(stretchCents[i]/1200), the stretch tuning of the keys;
//   detuneFactor[i]  = 2^((i − 64)/1200), the pitch factor of a detune of i − 64 cents;
//   keyRandom[i]     = a fixed pseudo-random value in [0, 0.999] that makes keys differ.
// The factors 1/12, 1/1200 and 0.001 are applied as 32-bit floats. Built once per process on
// first use and constant afterwards.
class Tables {
public:
    static constexpr int kSize = 128;

    // Stretch tuning in cents for MIDI notes 21 (A0) to 108 (C8); every other note is 0.
    static constexpr std::array<float, 88> keyStretchCents = {
        -20.0f, -19.0f, -18.0f, -17.0f, -16.0f, -15.0f, -14.0f, -13.0f, -12.0f, -11.0f, -10.0f,
        -9.0f,  -8.0f,  -7.0f,  -6.0f,  -6.0f,  -5.0f,  -5.0f,  -4.0f,  -4.0f,  -4.0f,  -4.0f,
        -4.0f,  -3.0f,  -3.0f,  -3.0f,  -3.0f,  -3.0f,  -3.0f,  -3.0f,  -3.0f,  -3.0f,  -3.0f,
        -2.5f,  -2.5f,  -2.0f,  -2.0f,  -2.0f,  -2.0f,  -2.0f,  -2.0f,  -2.0f,  -1.5f,  -1.0f,
        -1.0f,  -1.0f,  -1.0f,  -1.0f,  0.0f,   0.0f,   0.0f,   0.0f,   0.0f,   0.0f,   1.0f,
        1.0f,   1.0f,   1.0f,   1.0f,   2.0f,   2.0f,   2.0f,   2.0f,   2.0f,   3.0f,   3.0f,
        3.0f,   4.0f,   4.0f,   5.0f,   5.0f,   6.0f,   6.0f,   7.0f,   8.0f,   9.0f,   10.0f,
        11.0f,  12.0f,  13.0f,  15.0f,  17.0f,  19.0f,  21.0f,  23.0f,  25.0f,  27.0f,  30.0f};

    // Stretch tuning in cents for every MIDI note 0 to 127.
    static constexpr std::array<float, kSize> stretchCents = [] {
        std::array<float, kSize> cents{};
        for (std::size_t i = 0; i < keyStretchCents.size(); ++i) {
            cents[i + 21] = keyStretchCents[i];
        }
        return cents;
    }();

    // The tables of this process, computed on the first call (thread-safe).
    static const Tables& instance();

    // The detune factor for a detune in cents; values outside −64..+63 use the nearest entry.
    float detune(int cents) const noexcept;

    std::array<float, kSize> noteFrequency{};
    std::array<float, kSize> stretchRatio{};
    std::array<float, kSize> detuneFactor{};
    std::array<float, kSize> keyRandom{};

    Tables(const Tables&) = delete;
    Tables& operator=(const Tables&) = delete;

private:
    Tables();
};
