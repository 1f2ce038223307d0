#pragma once

#include <cstdint>
#include <memory>

#include "View.h"

class Application;
class Control;
class WindowHost;
struct FrameworkEvent;

// The top-level view of an editor window. It owns the window host that puts it on screen
// (made by the framework's backend at attach), delivers the host's events to the control
// under the mouse or to the control that tracks it, and paints on request.
class WindowView : public View {
public:
    WindowView(Application& application, const ControlDescriptor& descriptor);
    ~WindowView() override;

    Application& application() { return app; }
    WindowHost* host() { return windowHost.get(); }

    // Creates the native child window (hidden) inside parent at the view's rectangle.
    bool attach(void* parent);
    // Opens and shows the window: the open step succeeds when a native window exists; then the
    // first flag repaints everything and the second activates (nothing more here). Answers the
    // open step's result.
    bool show(bool repaintAll, bool activate, bool third);
    bool isShown() const { return shown; }
    // Destroys the native window; answers whether there was one.
    bool close();

    // The native window's client area is now width x height: the view takes that size.
    void clientResized(int32_t width, int32_t height);

    void invalidateRect(const PixelRect& windowRect);
    void invalidateAll();

    // Idle: the host handles its messages; mouse events go to the controls; paint draws.
    void handleEvent(FrameworkEvent& event);
    Control* trackingControl() const { return tracker; }

private:
    Application& app;
    std::unique_ptr<WindowHost> windowHost;
    Control* tracker = nullptr;
    bool opened = false;
    bool shown = false;
};
