#include <gtest/gtest.h>

#include "KnobMath.h"

// The editor's knobs: large 213 -> 327 degrees, small 205 -> 330, both clockwise.
TEST(KnobMath, SweepRunsClockwiseFromStartToEnd) {
    EXPECT_FLOAT_EQ(KnobMath::sweep(213.0f, 327.0f, 0), 246.0f);  // 213 - 327 + 360
    EXPECT_FLOAT_EQ(KnobMath::sweep(205.0f, 330.0f, 0), 235.0f);  // 205 - 330 + 360
    EXPECT_FLOAT_EQ(KnobMath::sweep(213.0f, 327.0f, 1), 114.0f);  // counter-clockwise
    EXPECT_FLOAT_EQ(KnobMath::sweep(40.0f, 40.0f, 0), 360.0f);    // a full turn
}

TEST(KnobMath, AngleOfValueTurnsClockwiseAsTheValueGrows) {
    // Minimum at the start angle, middle straight up, maximum at the end angle.
    EXPECT_FLOAT_EQ(KnobMath::angleOfValue(0, 0, 100, 213, 327, 246, 0), 213.0f);
    EXPECT_FLOAT_EQ(KnobMath::angleOfValue(50, 0, 100, 213, 327, 246, 0), 90.0f);
    EXPECT_FLOAT_EQ(KnobMath::angleOfValue(100, 0, 100, 213, 327, 246, 0), 327.0f);
    // Small knob middle: 0.5 * 235 + 330 = 447.5 -> 87.5.
    EXPECT_FLOAT_EQ(KnobMath::angleOfValue(50, 0, 100, 205, 330, 235, 0), 87.5f);
    // An empty range gives fraction 0: the start angle.
    EXPECT_FLOAT_EQ(KnobMath::fraction(7, 7, 7), 0.0f);
    EXPECT_FLOAT_EQ(KnobMath::angleOfValue(7, 7, 7, 213, 327, 246, 0), 213.0f);
}

TEST(KnobMath, AnglesWrapIntoTheCircleKeeping360) {
    EXPECT_FLOAT_EQ(KnobMath::wrapAngle(573.0f), 213.0f);
    EXPECT_FLOAT_EQ(KnobMath::wrapAngle(-30.0f), 330.0f);
    EXPECT_FLOAT_EQ(KnobMath::wrapAngle(360.0f), 360.0f);
    EXPECT_FLOAT_EQ(KnobMath::wrapAngle(1.0e9f), KnobMath::wrapAngle(1.0e9f));  // terminates
}

TEST(KnobMath, CellIsTheNearestOf73Columns) {
    EXPECT_EQ(KnobMath::cellForAngle(213.0f, 73), 43);   // 73 * 213 / 360 = 43.19
    EXPECT_EQ(KnobMath::cellForAngle(90.0f, 73), 18);    // 18.25
    EXPECT_EQ(KnobMath::cellForAngle(327.0f, 73), 66);   // 66.31
    EXPECT_EQ(KnobMath::cellForAngle(357.5f, 73), 72);   // 72.49
    EXPECT_EQ(KnobMath::cellForAngle(357.54f, 73), 73);  // 72.50: a column beyond the strip
    EXPECT_EQ(KnobMath::cellForAngle(360.0f, 73), 73);
    EXPECT_EQ(KnobMath::cellForAngle(0.0f, 73), 0);
}

TEST(KnobMath, HitTestZones) {
    // Large knob: inner radius 18, pointer radius 0, outer radius 30.
    EXPECT_EQ(KnobMath::hitTestMode(0.0f, 18.0f, 0.0f, 30.0f), KnobMath::kVerticalDrag);
    EXPECT_EQ(KnobMath::hitTestMode(18.0f, 18.0f, 0.0f, 30.0f), KnobMath::kVerticalDrag);
    EXPECT_EQ(KnobMath::hitTestMode(18.5f, 18.0f, 0.0f, 30.0f), KnobMath::kRotaryDrag);
    EXPECT_EQ(KnobMath::hitTestMode(30.0f, 18.0f, 0.0f, 30.0f), KnobMath::kRotaryDrag);
    EXPECT_EQ(KnobMath::hitTestMode(31.0f, 18.0f, 0.0f, 30.0f), KnobMath::kNoDrag);
    // A pointer radius beyond the inner radius makes a dead ring.
    EXPECT_EQ(KnobMath::hitTestMode(20.0f, 18.0f, 22.0f, 30.0f), KnobMath::kNoDrag);
}

TEST(KnobMath, VerticalDragFollowsTheHeightAboveTheCentre) {
    // 96 pixels: 96 * 0.01041 = 0.99936 of the way, 99.936 -> 99; 97 pixels pass the end.
    EXPECT_EQ(KnobMath::verticalDragValue(28.0f, 28.0f - 96.0f, 0, 0, 100, 0), 99);
    EXPECT_EQ(KnobMath::verticalDragValue(28.0f, 28.0f - 97.0f, 0, 0, 100, 0), 100);
    EXPECT_EQ(KnobMath::verticalDragValue(28.0f, -500.0f, 0, 0, 100, 0), 100);
    EXPECT_EQ(KnobMath::verticalDragValue(28.0f, 28.0f, 37, 0, 100, 0), 37);
    // 50 pixels below from 50: 50 - 50 * 0.5205 = 23.975 -> 23.
    EXPECT_EQ(KnobMath::verticalDragValue(28.0f, 78.0f, 50, 0, 100, 0), 23);
    // Ctrl alone (bit 1) is not the fine mode: 50 above from 0 gives 52.05 -> 52.
    EXPECT_EQ(KnobMath::verticalDragValue(28.0f, -22.0f, 0, 0, 100, 2), 52);
}

TEST(KnobMath, FineModeDividesByTwiceTheRange) {
    // Shift (bit 0) or Alt (bits 0 and 1): 50 pixels / (2 * 100) = 0.25 -> 25.
    EXPECT_EQ(KnobMath::verticalDragValue(28.0f, -22.0f, 0, 0, 100, 1), 25);
    EXPECT_EQ(KnobMath::verticalDragValue(28.0f, -22.0f, 0, 0, 100, 3), 25);
    // 72 steps: 36 pixels below from 72 move 36 / 144 = 0.25 of 72 down: 54.
    EXPECT_EQ(KnobMath::verticalDragValue(15.5f, 51.5f, 72, 0, 72, 1), 54);
    // An empty range divides by 1.0 and leaves the start value.
    EXPECT_EQ(KnobMath::verticalDragValue(28.0f, 0.0f, 5, 5, 5, 1), 5);
    EXPECT_EQ(KnobMath::verticalDragValue(28.0f, 90.0f, 5, 5, 5, 0), 5);
}

TEST(KnobMath, MouseAngleAroundTheCentre) {
    EXPECT_FLOAT_EQ(KnobMath::mouseAngle(28, 28, 40, 28), 0.0f);
    EXPECT_FLOAT_EQ(KnobMath::mouseAngle(28, 28, 10, 28), 180.0f);
    EXPECT_FLOAT_EQ(KnobMath::mouseAngle(28, 28, 28, 28), 180.0f);  // at the centre
    EXPECT_FLOAT_EQ(KnobMath::mouseAngle(28, 28, 28, 10), 90.0f);
    EXPECT_FLOAT_EQ(KnobMath::mouseAngle(28, 28, 28, 40), 270.0f);
    EXPECT_NEAR(KnobMath::mouseAngle(28, 28, 38, 18), 45.0f, 1e-4f);  // float atan
    EXPECT_NEAR(KnobMath::mouseAngle(28, 28, 18, 18), 135.0f, 1e-4f);
    EXPECT_NEAR(KnobMath::mouseAngle(28, 28, 18, 38), 225.0f, 1e-4f);
    EXPECT_NEAR(KnobMath::mouseAngle(28, 28, 38, 38), 315.0f, 1e-4f);
}

TEST(KnobMath, ValueOfAngleAndTheBottomGap) {
    auto value = [](float angle) { return KnobMath::valueOfAngle(angle, 0, 100, 213, 246, 0); };
    EXPECT_EQ(value(213.0f), 0);
    EXPECT_EQ(value(90.0f), 50);  // 123 / 246 of the way
    EXPECT_EQ(value(0.0f), 86);   // 213 / 246 = 0.8659 -> 86.59 -> 86
    EXPECT_EQ(value(327.0f), 100);
    // Past the end angle (clockwise from 327 towards 213): maximum for the first 90 degrees.
    EXPECT_EQ(value(270.0f), 100);  // 57 past the end
    EXPECT_EQ(value(238.0f), 100);  // 89 past
    EXPECT_EQ(value(236.0f), 0);    // 91 past: the minimum
    EXPECT_EQ(value(214.0f), 0);
}
