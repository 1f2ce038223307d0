#include "WindowHost.h"

#include "Application.h"
#include "DrawContext.h"
#include "FrameworkEvent.h"
#include "Image.h"
#include "WindowView.h"

WindowHost::WindowHost(WindowView& window) : windowView(window) {}

WindowHost::~WindowHost() = default;

void WindowHost::invalidate(const PixelRect& rect) {
    damage = damage.united(rect.intersected(client));
}

void WindowHost::paintPass() {
    const PixelRect update = damage.intersected(client);
    damage = PixelRect{};
    if (update.isEmpty() || !isAttached()) {
        return;
    }
    ++paintNesting;
    Image* buffer = windowView.application().offscreenBuffer(update.width(), update.height());
    if (buffer != nullptr) {
        // The buffer's (0, 0) is the update rectangle's top-left.
        DrawContext context(*buffer, PixelRect{0, 0, update.width(), update.height()}, -update.left,
                            -update.top);
        context.fill(update, Colour{0, 0, 0, 255});
        windowView.drawTree(context);
    }
    --paintNesting;
    if (paintNesting == 0 && buffer != nullptr) {
        present(*buffer, update);
    }
}

void WindowHost::buttonDown(int32_t x, int32_t y, int32_t modifiers, int32_t time) {
    captured = true;
    lastX = x;
    lastY = y;
    lastTime = time;
    FrameworkEvent event{FrameworkEvent::kMouseDown, 0, time, x, y, modifiers};
    windowView.handleEvent(event);
}

void WindowHost::pointerMoved(int32_t x, int32_t y, int32_t modifiers, int32_t time) {
    lastX = x;
    lastY = y;
    lastTime = time;
    if (!captured) {
        return;  // a move without the button held is only recorded
    }
    FrameworkEvent event{FrameworkEvent::kMouseDown, 0, time, x, y, modifiers};
    windowView.handleEvent(event);
}

void WindowHost::buttonUp(int32_t x, int32_t y, int32_t modifiers, int32_t time) {
    captured = false;
    lastX = x;
    lastY = y;
    lastTime = time;
    FrameworkEvent event{FrameworkEvent::kMouseUp, 0, time, x, y, modifiers};
    windowView.handleEvent(event);
}

void WindowHost::activationChanged(bool active, int32_t time) {
    lastTime = time;
    FrameworkEvent event{FrameworkEvent::kActivate, 0, time, 0, 0, active ? 1 : 0};
    windowView.handleEvent(event);
}

void WindowHost::clientResized(int32_t width, int32_t height) {
    client = PixelRect{0, 0, width, height};
    windowView.clientResized(width, height);
}

void WindowHost::requestPaint() {
    if (damage.isEmpty()) {
        return;
    }
    FrameworkEvent event{
        FrameworkEvent::kPaint, static_cast<int32_t>(nativeHandle()), lastTime, 0, 0, 0};
    windowView.handleEvent(event);
}
