#include <gtest/gtest.h>

#include "KnobMath.h"

// The editor's large knob: 213 -> 327 degrees clockwise, a sweep of 213 - 327 + 360 = 246.
TEST(KnobMath, AnglesOfValuesAndCells) {
    EXPECT_FLOAT_EQ(KnobMath::sweep(213.0f, 327.0f, 0), 246.0f);
    // Minimum at the start angle, the middle 123 degrees on (straight up), maximum at the end.
    EXPECT_FLOAT_EQ(KnobMath::angleOfValue(0, 0, 100, 213, 327, 246, 0), 213.0f);
    EXPECT_FLOAT_EQ(KnobMath::angleOfValue(50, 0, 100, 213, 327, 246, 0), 90.0f);
    EXPECT_FLOAT_EQ(KnobMath::angleOfValue(100, 0, 100, 213, 327, 246, 0), 327.0f);
    // The nearest of 73 columns, angle * 73 / 360 rounded: 43.19, 72.49, 72.50 (a column
    // beyond the strip), 0.
    const float angles[] = {213.0f, 357.5f, 357.54f, 0.0f};
    const int32_t cells[] = {43, 72, 73, 0};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(KnobMath::cellForAngle(angles[i], 73), cells[i]) << angles[i];
    }
}

// A knob centred at (28, 28); screen y grows downwards, angles count with y upwards.
TEST(KnobMath, DragsFollowTheMouse) {
    const float angles[][3] = {{40, 28, 0},   {10, 28, 180}, {28, 28, 180}, {28, 10, 90},
                               {28, 40, 270}, {38, 18, 45},  {18, 38, 225}};  // x, y, degrees
    for (const auto& a : angles) {
        // Float atan: a few ulps around 45 degrees.
        EXPECT_NEAR(KnobMath::mouseAngle(28, 28, a[0], a[1]), a[2], 1e-4f) << a[0] << "," << a[1];
    }
    // Rotary: in proportion along the 246 degrees from 213 (truncated); in the gap the maximum
    // up to 90 degrees past the end angle 327, the minimum beyond.
    const int rotary[][2] = {{213, 0},   {90, 50},   {0, 86}, {327, 100},
                             {270, 100}, {238, 100}, {236, 0}};
    for (const auto& r : rotary) {
        EXPECT_EQ(KnobMath::valueOfAngle(static_cast<float>(r[0]), 0, 100, 213, 246, 0), r[1])
            << r[0];
    }
    // Vertical: 0.01041 of the way per pixel above (or below) the centre y 28; fine mode
    // (modifier bit 0: Shift, or Alt = bits 0 and 1) divides by twice the range instead.
    struct Vertical {
        float mouseY;
        int32_t start, maximum, modifiers, value;
    };
    for (const Vertical& v : {
             Vertical{-68, 0, 100, 0, 99},   // 96 pixels: 99.936
             Vertical{-69, 0, 100, 0, 100},  // 97 pixels pass the end
             Vertical{78, 50, 100, 0, 23},   // 50 below: 50 - 50 * 0.5205 = 23.975
             Vertical{-22, 0, 100, 2, 52},   // Ctrl alone is not fine: 52.05
             Vertical{-22, 0, 100, 1, 25},   // 50 / 200 of the way
             Vertical{-22, 0, 100, 3, 25},   // Alt
             Vertical{64, 72, 72, 1, 54},    // 36 below: 72 - 72 * 36 / 144
         }) {
        EXPECT_EQ(KnobMath::verticalDragValue(28, v.mouseY, v.start, 0, v.maximum, v.modifiers),
                  v.value)
            << v.mouseY << " " << v.modifiers;
    }
}
