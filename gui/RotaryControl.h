#pragma once

#include <cstdint>

#include "Control.h"

// A control turned like a knob: its value maps to an angle between a start and an end angle
// (clockwise for direction 0), and a drag either follows the mouse's height (vertical mode) or
// its angle around the centre (rotary mode). The geometry is in control coordinates.
class RotaryControl : public Control {
public:
    RotaryControl(View* parent, const ControlDescriptor& descriptor, int32_t entry, float centreX,
                  float centreY, float pointerRadius, float startAngle, float endAngle,
                  int32_t direction);

    // Border between the drag zones and limit of the clickable area.
    void setRadii(float inner, float outer);
    void setAngleOffset(float offset) { angleOffset = offset; }

    float centreX() const { return cx; }
    float centreY() const { return cy; }
    float startAngle() const { return start; }
    float endAngle() const { return end; }
    float sweepAngle() const { return sweep; }
    bool isFullCircle() const { return fullCircle; }
    float innerRadius() const { return inner; }
    float outerRadius() const { return outer; }
    float currentFraction() const { return fraction; }
    float currentAngle() const { return angle; }
    float pointerX() const { return px; }
    float pointerY() const { return py; }

    // The angle of a value; stores it as the current angle with its pointer point.
    float angleOfValue(int32_t value);
    // The value of an angle (the rotary drag's rule).
    int32_t valueOfAngle(float a) const;

protected:
    void drag(int32_t dragMode, bool inside, bool wasInside) override;
    void valueChanged() override;

    float pointerRadius;
    float angleOffset = 0.0f;

private:
    float cx;
    float cy;
    float start;
    float end;
    int32_t turnDirection;
    float sweep;
    bool fullCircle;
    float inner;
    float outer;
    float fraction = 0.0f;
    float angle = 0.0f;
    float px = 0.0f;
    float py = 0.0f;
};
