#pragma once

#include <cstdint>

// The arithmetic of a rotary control, as plain functions. Angles are in degrees, counted
// counter-clockwise from the positive x axis with y pointing up (90 is straight up on
// screen); screen y grows downwards. Direction 0 turns clockwise from the start angle to the
// end angle as the value grows, direction 1 counter-clockwise. All in 32-bit floats.
struct KnobMath {
    // Fine mode of the vertical drag: bit 0 of the modifiers (Shift, or Alt).
    static constexpr int32_t kFineModifier = 1;
    // Vertical drag: fraction of the way per pixel, about 96 pixels for the whole way.
    static constexpr float kPixelsFraction = 0.01041f;
    // Drag modes from the hit test.
    static constexpr int32_t kNoDrag = 0;
    static constexpr int32_t kVerticalDrag = 3;
    static constexpr int32_t kRotaryDrag = 4;

    // Into 0..360: 360 subtracted while above 360, added while below 0 (360 itself stays).
    static float wrapAngle(float angle);
    // Angular distance from start to end in the direction; 0 counts as a full turn (360).
    static float sweep(float startAngle, float endAngle, int32_t direction);
    // (value - minimum) / (maximum - minimum); 0 for an empty range.
    static float fraction(int32_t value, int32_t minimum, int32_t maximum);
    // The angle that shows a value: direction 0 gives (1 - f) * sweep + end, direction 1
    // f * sweep + start, wrapped.
    static float angleOfValue(int32_t value, int32_t minimum, int32_t maximum, float startAngle,
                              float endAngle, float sweepAngle, int32_t direction);
    // Film-strip cell for an angle: round(angle / 360 * cells), half away from zero.
    static int32_t cellForAngle(float angle, int32_t cells);
    // Drag mode for a press at distance d from the centre: within the inner radius vertical;
    // within the pointer radius none; within the outer radius rotary; beyond it none.
    static int32_t hitTestMode(float distance, float innerRadius, float pointerRadius,
                               float outerRadius);
    // The value of a vertical drag: the mouse's height above the centre, times 0.01041 (or in
    // fine mode divided by twice the range, or by 1.0 when that is below 1), moves the start
    // value that fraction of the way to the maximum (above) or minimum (below); truncated.
    static int32_t verticalDragValue(float centreY, float mouseY, int32_t startValue,
                                     int32_t minimum, int32_t maximum, int32_t modifiers);
    // The mouse angle around the centre, in 0..360 (below 360).
    static float mouseAngle(float centreX, float centreY, float mouseX, float mouseY);
    // The value of an angle: inside the travel in proportion (truncated); in the gap the
    // maximum for the first 90 degrees past the end angle, the minimum beyond.
    static int32_t valueOfAngle(float angle, int32_t minimum, int32_t maximum, float startAngle,
                                float sweepAngle, int32_t direction);
};
