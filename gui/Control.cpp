#include "Control.h"

#include <algorithm>

#include "Application.h"
#include "ControlListener.h"
#include "FrameworkEvent.h"
#include "WindowView.h"

Control::Control(View* parent, const ControlDescriptor& descriptor, int32_t entry)
    : View(parent, descriptor), controlEntry(entry) {}

// The window view clears the framework's tracking flag when it goes with its controls.
Control::~Control() = default;

void Control::setModel(const ValueModel& model) {
    valueModel = model;
    valueModel.value = valueModel.clamp(valueModel.value);
    valueChanged();
}

void Control::addListener(ControlListener* listener) {
    if (listener != nullptr &&
        std::find(listeners.begin(), listeners.end(), listener) == listeners.end()) {
        listeners.push_back(listener);
    }
}

bool Control::setValue(int32_t value, int32_t channel, bool notify) {
    if (channel != 0) {
        return false;
    }
    const int32_t v = valueModel.clamp(value);
    const bool changed = v != valueModel.value;
    valueModel.value = v;
    valueChanged();
    if (changed && notify) {
        // Copy: a listener may add listeners while it is told.
        const std::vector<ControlListener*> told = listeners;
        for (ControlListener* listener : told) {
            listener->valueChanged(controlEntry, *this, v);
        }
    }
    return changed;
}

void Control::setFloatValue(float value, int32_t channel) {
    if (channel == 0) {
        valueModel.floatValue = value;
    }
}

void Control::setTexts(const std::string& text, const std::string& unit) {
    valueModel.text = text;
    valueModel.unit = unit;
}

void Control::takePoint(const FrameworkEvent& event) {
    mouseX = static_cast<float>(event.x) - windowLeft();
    mouseY = static_cast<float>(event.y) - windowTop();
    modifierFlags = event.modifiers;
}

bool Control::insideHitArea() const {
    return mouseX >= 0.0f && mouseY >= 0.0f && mouseX < rect().width() && mouseY < rect().height();
}

void Control::mouseDown(const FrameworkEvent& event) {
    takePoint(event);
    mouseDownX = mouseX;
    mouseDownY = mouseY;
    const int32_t m = hitTest(mouseX, mouseY);
    if (m < 1) {
        return;
    }
    WindowView* w = window();
    if (w == nullptr) {
        return;
    }
    holdsContext = false;
    invalidate();
    // Drawing needs the window on screen; a hidden window ignores the press.
    if (!w->isShown()) {
        return;
    }
    holdsContext = true;
    mode = m;
    tracking = true;
    w->application().setTracking(true);
    valueModel.setStartValue(valueModel.value);
    wasInside = true;
    drag(mode, true, true);
}

void Control::mouseDrag(const FrameworkEvent& event) {
    if (!tracking) {
        return;
    }
    takePoint(event);
    const bool inside = insideHitArea();
    drag(mode, inside, wasInside);
    wasInside = inside;
}

void Control::mouseUp(const FrameworkEvent& event) {
    if (!tracking) {
        return;
    }
    takePoint(event);
    const bool inside = insideHitArea() && hitTest(mouseX, mouseY) > 0;
    drag(mode, inside, wasInside);
    tracking = false;
    if (window() != nullptr) {
        window()->application().setTracking(false);
    }
    endDrag();
    holdsContext = false;
    mode = 0;
}

int32_t Control::hitTest(float, float) {
    return 0;
}
void Control::drag(int32_t, bool, bool) {}
void Control::endDrag() {
    invalidate();
}
void Control::valueChanged() {}
