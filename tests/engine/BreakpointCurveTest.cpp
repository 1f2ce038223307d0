#include <gtest/gtest.h>

#include "BreakpointCurve.h"
#include "Voicing.h"

namespace {

TEST(BreakpointCurve, FlatOutsideExactAtBreakpointsLinearBetween) {
    const float row[6] = {10.0f, 20.0f, -5.0f, 7.0f, 1000.0f, 3.0f};
    BreakpointCurve curve;
    EXPECT_EQ(curve.value(60), 0.0f);  // empty
    curve.pointAt(row);
    EXPECT_EQ(curve.value(-1000), 10.0f);
    EXPECT_EQ(curve.value(35), 10.0f);
    const int notes[6] = {36, 55, 67, 79, 91, 103};
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(curve.value(notes[k]), row[k]) << "breakpoint " << notes[k];
    }
    EXPECT_EQ(curve.value(127), 3.0f);
    // Float arithmetic: 1e-5 relative.
    EXPECT_NEAR(curve.value(37), 10.0 + 10.0 / 19.0, 1e-5);
    EXPECT_NEAR(curve.value(61), 20.0 - 25.0 * 6.0 / 12.0, 1e-5);
    EXPECT_NEAR(curve.value(85), 7.0 + 993.0 * 6.0 / 12.0, 1e-3);
    EXPECT_NEAR(curve.value(102), 1000.0 - 997.0 * 11.0 / 12.0, 1e-3);
}

TEST(BreakpointCurve, VoicingSet0Curves) {
    BreakpointCurve thump;
    thump.pointAt(voicingSet(0).curves[12]);
    EXPECT_NEAR(thump.value(40), 60.26 + 122.0 * 4.0 / 19.0, 1e-4);  // ≈ 85.94 Hz
    EXPECT_EQ(thump.value(110), 150.0f);
    // Hammer order truncates: 3 up to note 36, 2 from 37 on.
    BreakpointCurve order;
    order.pointAt(voicingSet(0).curves[0]);
    for (int note = 21; note <= 108; ++note) {
        EXPECT_EQ(static_cast<int>(order.value(note)), note <= 36 ? 3 : 2) << "note " << note;
    }
}

}  // namespace
