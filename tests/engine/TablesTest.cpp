#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "BreakpointCurve.h"
#include "Tables.h"
#include "Voicing.h"

namespace {

TEST(Tables, NoteFrequencyStretchDetuneAndKeyRandom) {
    const Tables& t = Tables::instance();
    // -48 x float(1/12) = -4.00000012 rounds to -4 in float, so A0 is exact like A4.
    EXPECT_EQ(t.noteFrequency[69], 440.0f);
    EXPECT_EQ(t.noteFrequency[21], 27.5f);
    // A0 20 cents flat, notes 69 to 74 unstretched, C8 30 sharp (float exponent: 1e-7).
    EXPECT_NEAR(t.stretchRatio[21], std::pow(2.0, -20.0 / 1200.0), 1e-7);
    EXPECT_EQ(t.stretchRatio[74], 1.0f);
    EXPECT_NEAR(t.stretchRatio[108], std::pow(2.0, 30.0 / 1200.0), 1e-7);
    // Detune byte -64..63 spans -64..63 cents; beyond it the nearest entry.
    EXPECT_NEAR(t.detune(-64), std::pow(2.0, -64.0 / 1200.0), 1e-7);
    EXPECT_EQ(t.detune(0), 1.0f);
    EXPECT_EQ(t.detune(INT_MIN), t.detune(-64));
    EXPECT_EQ(t.detune(INT_MAX), t.detune(63));
    // x1 = 14 x 1664525 + 1013904223 = 1037207573 gives 0.573, and so on (whole thousandths).
    EXPECT_NEAR(t.keyRandom[0], 0.573, 1e-7);
    EXPECT_NEAR(t.keyRandom[1], 0.96, 1e-7);
    EXPECT_NEAR(t.keyRandom[69], 0.524, 1e-7);
}

// Flat outside notes 36 to 103, exact at the breakpoints 36, 55, 67, 79, 91, 103, linear between
// (float arithmetic: 1e-5 relative). Set 0's hammer order truncates: 3 up to note 36, then 2.
TEST(BreakpointCurve, FlatOutsideExactAtBreakpointsLinearBetween) {
    const float row[6] = {10.0f, 20.0f, -5.0f, 7.0f, 1000.0f, 3.0f};
    BreakpointCurve curve;
    curve.pointAt(row);
    EXPECT_EQ(curve.value(35), 10.0f);
    EXPECT_EQ(curve.value(55), 20.0f);
    EXPECT_EQ(curve.value(127), 3.0f);
    EXPECT_NEAR(curve.value(37), 10.0 + 10.0 / 19.0, 1e-5);
    EXPECT_NEAR(curve.value(85), 7.0 + 993.0 * 6.0 / 12.0, 1e-3);
    BreakpointCurve order;
    order.pointAt(voicingSet(0).curves[0]);
    EXPECT_EQ(static_cast<int>(order.value(36)), 3);
    EXPECT_EQ(static_cast<int>(order.value(37)), 2);
}

}  // namespace
