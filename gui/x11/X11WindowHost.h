#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <vector>

#include "WindowHost.h"

// The X11 backend: a child window of the host's window (the id the host passes to the editor
// open), on a Display connection of its own so that nothing is shared with the host's
// connection or threads. Messages are read when the editor idles; painting copies the shared
// off-screen buffer to the window with XPutImage (the buffer's blue, green, red, alpha bytes
// are a ZPixmap of a 24-bit TrueColor visual as they stand; other visuals are converted).
class X11WindowHost : public WindowHost {
public:
    static constexpr const char* kClassName = "Corvale2ChildWindow";

    explicit X11WindowHost(WindowView& window);
    ~X11WindowHost() override;

    bool attach(void* parent, const PixelRect& rect) override;
    void detach() override;
    bool isAttached() const override { return window != 0; }
    void show() override;
    bool isVisible() const override { return mapped; }
    void processEvents() override;
    intptr_t nativeHandle() const override { return static_cast<intptr_t>(window); }

protected:
    void present(const Image& buffer, const PixelRect& update) override;

private:
    void handle(const XEvent& event);
    static int32_t modifiersOf(unsigned int state);

    Display* display = nullptr;
    Window window = 0;
    GC gc = nullptr;
    Visual* visual = nullptr;
    int depth = 0;
    bool directPixels = false;  // the buffer's bytes can go to the server unchanged
    bool mapped = false;
    std::vector<uint8_t> converted;
};
