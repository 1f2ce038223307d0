#include "WindowView.h"

#include "Application.h"
#include "Control.h"
#include "FrameworkEvent.h"
#include "WindowHost.h"

WindowView::WindowView(Application& application, const ControlDescriptor& descriptor)
    : View(nullptr, descriptor), app(application) {
    windowView = this;
}

WindowView::~WindowView() {
    // Children go before the host they paint through.
    if (tracker != nullptr) {
        app.setTracking(false);
    }
    tracker = nullptr;
    if (windowHost) {
        windowHost->detach();
    }
}

bool WindowView::attach(void* parent) {
    if (windowHost) {
        windowHost->detach();
    }
    windowHost = app.createWindowHost(*this);
    if (!windowHost) {
        return false;
    }
    const FloatRect& r = rect();
    const PixelRect place{static_cast<int32_t>(r.left), static_cast<int32_t>(r.top),
                          static_cast<int32_t>(r.right), static_cast<int32_t>(r.bottom)};
    if (!windowHost->attach(parent, place)) {
        windowHost.reset();
        return false;
    }
    return true;
}

bool WindowView::show(bool repaintAll, bool activate, bool) {
    opened = windowHost && windowHost->isAttached();
    if (!opened) {
        return false;
    }
    if (repaintAll) {
        invalidateAll();
    }
    (void)activate;  // the child window takes no keyboard focus of its own
    windowHost->show();
    shown = true;
    return true;
}

bool WindowView::close() {
    const bool wasAttached = windowHost && windowHost->isAttached();
    if (tracker != nullptr) {
        app.setTracking(false);
        tracker = nullptr;
    }
    if (windowHost) {
        windowHost->detach();
    }
    shown = false;
    opened = false;
    return wasAttached;
}

void WindowView::clientResized(int32_t width, int32_t height) {
    viewRect.right = viewRect.left + static_cast<float>(width);
    viewRect.bottom = viewRect.top + static_cast<float>(height);
}

void WindowView::invalidateRect(const PixelRect& windowRect) {
    if (windowHost) {
        windowHost->invalidate(windowRect);
    }
}

void WindowView::invalidateAll() {
    invalidateRect(PixelRect{0, 0, static_cast<int32_t>(rect().width()),
                             static_cast<int32_t>(rect().height())});
}

void WindowView::handleEvent(FrameworkEvent& event) {
    switch (event.type) {
        case FrameworkEvent::kIdle:
            if (windowHost) {
                windowHost->processEvents();
            }
            break;
        case FrameworkEvent::kMouseDown:
            if (tracker != nullptr) {
                tracker->mouseDrag(event);
            } else if (Control* c =
                           controlAt(static_cast<float>(event.x), static_cast<float>(event.y))) {
                c->mouseDown(event);
                if (c->isTracking()) {
                    tracker = c;
                }
            }
            break;
        case FrameworkEvent::kMouseUp:
            if (tracker != nullptr) {
                Control* c = tracker;
                tracker = nullptr;
                c->mouseUp(event);
            }
            break;
        case FrameworkEvent::kPaint:
            if (windowHost) {
                windowHost->paintPass();
            }
            break;
        default:
            break;
    }
}
