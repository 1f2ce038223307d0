#include "KnobMath.h"

#include <algorithm>
#include <cmath>

float KnobMath::wrapAngle(float angle) {
    if (!std::isfinite(angle)) {
        return 0.0f;
    }
    if (std::fabs(angle) > 3600.0f) {
        angle = std::fmod(angle, 360.0f);  // keeps the steps below from running long
    }
    while (angle > 360.0f) {
        angle -= 360.0f;
    }
    while (angle < 0.0f) {
        angle += 360.0f;
    }
    return angle;
}

float KnobMath::sweep(float startAngle, float endAngle, int32_t direction) {
    float d = direction == 0 ? startAngle - endAngle : endAngle - startAngle;
    d = std::isfinite(d) ? std::fmod(d, 360.0f) : 0.0f;
    while (d <= 0.0f) {
        d += 360.0f;
    }
    while (d > 360.0f) {
        d -= 360.0f;
    }
    return d;
}

float KnobMath::fraction(int32_t value, int32_t minimum, int32_t maximum) {
    if (maximum == minimum) {
        return 0.0f;
    }
    return static_cast<float>(value - minimum) / static_cast<float>(maximum - minimum);
}

float KnobMath::angleOfValue(int32_t value, int32_t minimum, int32_t maximum, float startAngle,
                             float endAngle, float sweepAngle, int32_t direction) {
    const float f = fraction(value, minimum, maximum);
    const float angle =
        direction == 0 ? (1.0f - f) * sweepAngle + endAngle : f * sweepAngle + startAngle;
    return wrapAngle(angle);
}

int32_t KnobMath::cellForAngle(float angle, int32_t cells) {
    const float x = wrapAngle(angle) / 360.0f;
    return static_cast<int32_t>(std::round(x * static_cast<float>(cells)));
}

int32_t KnobMath::hitTestMode(float distance, float innerRadius, float pointerRadius,
                              float outerRadius) {
    if (distance <= innerRadius) {
        return kVerticalDrag;
    }
    if (distance <= pointerRadius) {
        return kNoDrag;
    }
    if (distance <= outerRadius) {
        return kRotaryDrag;
    }
    return kNoDrag;
}

int32_t KnobMath::verticalDragValue(float centreY, float mouseY, int32_t startValue,
                                    int32_t minimum, int32_t maximum, int32_t modifiers) {
    const float dy = centreY - mouseY;
    float f = dy * kPixelsFraction;
    if ((modifiers & kFineModifier) != 0) {
        const float twiceRange = 2.0f * static_cast<float>(maximum - minimum);
        f = twiceRange < 1.0f ? dy / 1.0f : dy / twiceRange;
    }
    const auto start = static_cast<float>(startValue);
    float value;
    if (f >= 0.0f) {
        value = start + (static_cast<float>(maximum) - start) * std::min(f, 1.0f);
    } else {
        value = start + (static_cast<float>(minimum) - start) * std::min(-f, 1.0f);
    }
    return static_cast<int32_t>(value);
}

float KnobMath::mouseAngle(float centreX, float centreY, float mouseX, float mouseY) {
    if (mouseY == centreY) {
        return mouseX > centreX ? 0.0f : 180.0f;
    }
    if (mouseX == centreX) {
        return mouseY < centreY ? 90.0f : 270.0f;
    }
    constexpr float kDegreesPerRadian = 57.29577951308232f;
    float angle = std::atan((centreY - mouseY) / (mouseX - centreX)) * kDegreesPerRadian;
    if (mouseX < centreX) {
        angle += 180.0f;
    } else if (angle < 0.0f) {
        angle += 360.0f;
    }
    return angle;
}

int32_t KnobMath::valueOfAngle(float angle, int32_t minimum, int32_t maximum, float startAngle,
                               float sweepAngle, int32_t direction) {
    float d = direction == 0 ? startAngle - angle : angle - startAngle;
    d = std::isfinite(d) ? std::fmod(d, 360.0f) : 0.0f;
    while (d < 0.0f) {
        d += 360.0f;
    }
    while (d >= 360.0f) {
        d -= 360.0f;
    }
    if (d <= sweepAngle) {
        return static_cast<int32_t>(static_cast<float>(minimum) +
                                    static_cast<float>(maximum - minimum) * d / sweepAngle);
    }
    return d - sweepAngle < 90.0f ? maximum : minimum;
}
