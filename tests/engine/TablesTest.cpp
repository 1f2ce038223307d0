#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "DecayLaw.h"
#include "Tables.h"

namespace {

TEST(Tables, NoteFrequencyStretchAndDetune) {
    const Tables& t = Tables::instance();
    // −48 × float(1/12) = −4.00000012 rounds to −4 in float, so A0 is exact like A4.
    EXPECT_EQ(t.noteFrequency[69], 440.0f);
    EXPECT_EQ(t.noteFrequency[21], 27.5f);
    EXPECT_NEAR(t.noteFrequency[108], 440.0 * std::pow(2.0, 39.0 / 12.0), 0.01);  // 4186.01
    // A0 20 cents flat, notes 69 to 74 and everything off the keyboard unstretched, C8 30 sharp;
    // stretch never falls from one key to the next (float exponent: 1e-7).
    EXPECT_NEAR(t.stretchRatio[21], std::pow(2.0, -20.0 / 1200.0), 1e-7);
    EXPECT_NEAR(t.stretchRatio[108], std::pow(2.0, 30.0 / 1200.0), 1e-7);
    for (int i = 0; i < Tables::kSize; ++i) {
        if (i < 21 || i > 108 || (i >= 69 && i <= 74)) {
            EXPECT_EQ(t.stretchRatio[i], 1.0f) << "note " << i;
        } else if (i < 108) {
            EXPECT_LE(t.stretchRatio[i], t.stretchRatio[i + 1]) << "note " << i;
        }
    }
    EXPECT_EQ(Tables::stretchCents[55], -2.5f);
    EXPECT_EQ(Tables::stretchCents[63], -1.5f);
    EXPECT_EQ(t.detuneFactor[64], 1.0f);
    EXPECT_NEAR(t.detuneFactor[0], std::pow(2.0, -64.0 / 1200.0), 1e-7);  // ≈ 0.964
    EXPECT_EQ(t.detune(10), t.detuneFactor[74]);
}

TEST(Tables, DetuneOutsideTheTableUsesTheNearestEntry) {
    const Tables& t = Tables::instance();
    EXPECT_EQ(t.detune(-64), t.detuneFactor[0]);
    EXPECT_EQ(t.detune(63), t.detuneFactor[127]);
    EXPECT_EQ(t.detune(-65), t.detuneFactor[0]);
    EXPECT_EQ(t.detune(64), t.detuneFactor[127]);
    EXPECT_EQ(t.detune(INT_MIN), t.detuneFactor[0]);
    EXPECT_EQ(t.detune(INT_MAX), t.detuneFactor[127]);
}

TEST(Tables, KeyRandomValuesComeFromTheCongruentialGenerator) {
    const Tables& t = Tables::instance();
    // x1 = 14 · 1664525 + 1013904223 = 1037207573 → 0.573, and so on. Whole thousandths times
    // the float 0.001: 1e-7.
    const double first[] = {0.573, 0.96, 0.655, 0.322, 0.279, 0.66, 0.251, 0.286};
    for (int i = 0; i < 8; ++i) {
        EXPECT_NEAR(t.keyRandom[i], first[i], 1e-7) << "entry " << i;
    }
    EXPECT_NEAR(t.keyRandom[21], 0.852, 1e-7);
    EXPECT_NEAR(t.keyRandom[60], 0.937, 1e-7);
    EXPECT_NEAR(t.keyRandom[69], 0.524, 1e-7);
    for (float r : t.keyRandom) {
        EXPECT_GE(r, 0.0f);
        EXPECT_LE(r, 0.999f);
    }
}

TEST(DecayLaw, ValueFallsToATenthInTheGivenTime) {
    EXPECT_EQ(decayCoefficient(0.0f, 44100.0f), 0.0f);
    // exp(−2300 / (3000 · 44100)) = 1 − 1.73846e-5; float spacing near 1 is 6e-8.
    EXPECT_NEAR(decayCoefficient(3000.0f, 44100.0f), 1.0 - 1.73846e-5, 6e-8);
    for (float rate : {44100.0f, 96000.0f}) {
        for (float ms : {5.0f, 250.0f}) {
            const float coef = decayCoefficient(ms, rate);
            double value = 1.0;
            for (long i = std::lround(ms * rate / 1000.0f); i > 0; --i) {
                value *= coef;
            }
            // A float coefficient within 6e-8 of exact moves ln(coef) by under 3e-3 relative.
            EXPECT_NEAR(value / std::exp(-2.3), 1.0, 0.01) << rate << " Hz, " << ms << " ms";
        }
    }
}

}  // namespace
