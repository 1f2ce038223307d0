#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "Application.h"
#include "Control.h"
#include "DrawContext.h"
#include "ModuleInstance.h"
#include "WindowView.h"

// A control that records every drag step the window view delivers: the press, each captured
// move and the release (one more step, then endDrag).
class RecordingControl : public Control {
public:
    struct Step {
        float x;
        float y;
        int32_t modifiers;
    };
    RecordingControl(View* parent, const ControlDescriptor& descriptor)
        : Control(parent, descriptor, 1) {}
    std::vector<Step> steps;
    int releases = 0;

protected:
    int32_t hitTest(float, float) override { return 1; }
    void drag(int32_t, bool, bool) override { steps.push_back({mouseX, mouseY, modifierFlags}); }
    void endDrag() override {
        ++releases;
        Control::endDrag();
    }
};

// A view filled with one colour; counts its paint passes.
class SolidView : public View {
public:
    SolidView(View* parent, const ControlDescriptor& descriptor, Colour c)
        : View(parent, descriptor), colour(c) {}
    Colour colour;
    int draws = 0;

protected:
    void draw(DrawContext& context) override {
        ++draws;
        context.fill(PixelRect{0, 0, static_cast<int32_t>(rect().width()),
                               static_cast<int32_t>(rect().height())},
                     colour);
    }
};

// A visible top-level window to put the framework's child windows into.
struct ParentWindow {
    ParentWindow()
        : handle(CreateWindowExW(0, L"STATIC", L"parent", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                                 0, 0, 400, 300, nullptr, nullptr, GetModuleHandleW(nullptr),
                                 nullptr)) {}
    ~ParentWindow() { DestroyWindow(handle); }
    HWND handle = nullptr;
};

// A framework whose module is this program.
inline ApplicationDescriptor testDescriptor() {
    return {"", "", "Res", "", ModuleInstance::path()};
}
