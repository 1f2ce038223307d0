#pragma once

#include <cstdint>
#include <memory>

#include "PixelRect.h"

class Image;
class WindowView;

// The native side of one top-level window view: a child window inside the host's window.
// The platform backend creates and shows it, turns its messages into framework events (the
// shared translation below: press captures the mouse, moves count only while captured,
// release frees it) and copies the painted pixels to the screen. Painting goes through the
// framework's shared off-screen buffer: damaged parts are collected, and a paint pass draws
// the view tree into the buffer and presents the damaged rectangle.
class WindowHost {
public:
    explicit WindowHost(WindowView& window);
    virtual ~WindowHost();
    WindowHost(const WindowHost&) = delete;
    WindowHost& operator=(const WindowHost&) = delete;

    // Creates the child window (hidden) at rect inside parent; false when that fails.
    virtual bool attach(void* parent, const PixelRect& rect) = 0;
    // Destroys the child window.
    virtual void detach() = 0;
    virtual bool isAttached() const = 0;
    // Makes the child window visible.
    virtual void show() = 0;
    virtual bool isVisible() const = 0;
    // Handles the pending native messages, then paints what is damaged.
    virtual void processEvents() = 0;
    // The native window handle (0 when detached).
    virtual intptr_t nativeHandle() const = 0;

    // Marks part of the client area (window coordinates) for repainting.
    void invalidate(const PixelRect& rect);
    const PixelRect& damagedRect() const { return damage; }
    // Draws the damaged part of the view tree into the shared buffer and presents it. An empty
    // damage draws nothing.
    void paintPass();
    const PixelRect& clientRect() const { return client; }

    // The time of the GUI thread's last window message (implemented by the platform's backend;
    // 0 where the system keeps none).
    static int32_t messageTime();

protected:
    // Copies the update rectangle (window coordinates) from the buffer's (0, 0) to the screen.
    virtual void present(const Image& buffer, const PixelRect& update) = 0;

    // The message translation shared by the backends.
    void buttonDown(int32_t x, int32_t y, int32_t modifiers, int32_t time);
    void pointerMoved(int32_t x, int32_t y, int32_t modifiers, int32_t time);
    void buttonUp(int32_t x, int32_t y, int32_t modifiers, int32_t time);
    void activationChanged(bool active, int32_t time);
    // The client area is now width x height: recorded, and the window view is told.
    void clientResized(int32_t width, int32_t height);
    // Asks the window view to paint (a paint event carrying the native handle).
    void requestPaint();

    WindowView& windowView;
    PixelRect client;
    PixelRect damage;
    bool captured = false;
    int32_t lastX = 0;
    int32_t lastY = 0;
    int32_t lastTime = 0;
    int32_t paintNesting = 0;
};

// The platform's backend (implemented in the platform folder).
std::unique_ptr<WindowHost> createPlatformWindowHost(WindowView& window);
