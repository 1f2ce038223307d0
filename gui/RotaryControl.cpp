#include "RotaryControl.h"

#include <cmath>

#include "KnobMath.h"

RotaryControl::RotaryControl(View* parent, const ControlDescriptor& descriptor, int32_t entry,
                             float centreX, float centreY, float pointerRadiusArg, float startAngle,
                             float endAngle, int32_t directionArg)
    : Control(parent, descriptor, entry),
      pointerRadius(std::fabs(pointerRadiusArg)),
      cx(centreX),
      cy(centreY),
      start(KnobMath::wrapAngle(startAngle)),
      end(KnobMath::wrapAngle(endAngle)),
      turnDirection(directionArg != 0 ? 1 : 0),
      sweep(KnobMath::sweep(start, end, turnDirection)),
      fullCircle(sweep == 360.0f),
      inner(pointerRadius - 7.0f),
      outer(pointerRadius + 5.0f) {
    valueChanged();
}

void RotaryControl::setRadii(float innerRadius, float outerRadius) {
    inner = innerRadius;
    outer = outerRadius;
}

float RotaryControl::angleOfValue(int32_t value) {
    const ValueModel& m = model();
    angle = KnobMath::angleOfValue(value, m.minimum, m.maximum, start, end, sweep, turnDirection);
    // The pointer point: y is flipped because screen y grows downwards.
    constexpr float kRadiansPerDegree = 0.017453292519943295f;
    px = cx + pointerRadius * std::cos(angle * kRadiansPerDegree);
    py = cy - pointerRadius * std::sin(angle * kRadiansPerDegree);
    return angle;
}

int32_t RotaryControl::valueOfAngle(float a) const {
    const ValueModel& m = model();
    return KnobMath::valueOfAngle(a, m.minimum, m.maximum, start, sweep, turnDirection);
}

void RotaryControl::valueChanged() {
    const ValueModel& m = model();
    fraction = KnobMath::fraction(m.value, m.minimum, m.maximum);
    angleOfValue(m.value);
}

void RotaryControl::drag(int32_t dragMode, bool, bool) {
    const ValueModel& m = model();
    int32_t v;
    if (dragMode == KnobMath::kVerticalDrag) {
        v = KnobMath::verticalDragValue(cy, mouseY, m.startValue, m.minimum, m.maximum,
                                        modifierFlags);
    } else if (dragMode == KnobMath::kRotaryDrag) {
        v = valueOfAngle(KnobMath::mouseAngle(cx, cy, mouseX, mouseY));
    } else {
        return;
    }
    if (setValue(v, 0, true)) {
        invalidate();
    }
}
