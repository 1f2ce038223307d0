#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ValueModel.h"
#include "View.h"

class ControlListener;
struct FrameworkEvent;

// A view with a value: one value model (channel 0), listeners told of user changes, and the
// mouse tracking of a press-drag-release gesture. The window view delivers the mouse events:
// mouseDown on a press over the control, mouseDrag for every move while it tracks, mouseUp at
// the release. Subclasses give the hit test (press point to drag mode, below 1: not tracked),
// the drag step and the drawing.
class Control : public View {
public:
    Control(View* parent, const ControlDescriptor& descriptor, int32_t entry);
    ~Control() override;

    Control* asControl() override { return this; }
    int32_t entry() const { return controlEntry; }

    ValueModel& model() { return valueModel; }
    const ValueModel& model() const { return valueModel; }
    // Replaces the value model (binding to a parameter).
    void setModel(const ValueModel& model);
    void addListener(ControlListener* listener);

    // Sets the value of a channel (only channel 0 exists), clamped to the model's range. With
    // notify, the listeners hear of it when it changed. Answers whether it changed.
    bool setValue(int32_t value, int32_t channel, bool notify);
    int32_t value() const { return valueModel.value; }
    void setFloatValue(float value, int32_t channel);
    void setTexts(const std::string& text, const std::string& unit);
    virtual bool showsText() const { return false; }

    // Mouse tracking; points arrive in window coordinates.
    void mouseDown(const FrameworkEvent& event);
    void mouseDrag(const FrameworkEvent& event);
    void mouseUp(const FrameworkEvent& event);
    bool isTracking() const { return tracking; }

protected:
    // Drag mode for a press at a point in control coordinates; below 1 the press is ignored.
    virtual int32_t hitTest(float x, float y);
    // One step of a drag; mouse point and modifiers are in the members below.
    virtual void drag(int32_t dragMode, bool inside, bool wasInside);
    // After the release: redraws the control.
    virtual void endDrag();
    // The value changed (by the user or by a refresh).
    virtual void valueChanged();

    float mouseX = 0.0f;
    float mouseY = 0.0f;
    float mouseDownX = 0.0f;
    float mouseDownY = 0.0f;
    int32_t modifierFlags = 0;

private:
    void takePoint(const FrameworkEvent& event);
    bool insideHitArea() const;

    int32_t controlEntry;
    ValueModel valueModel;
    std::vector<ControlListener*> listeners;
    int32_t mode = 0;
    bool tracking = false;
    bool wasInside = false;
    bool holdsContext = false;
};
