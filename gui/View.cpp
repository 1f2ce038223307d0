#include "View.h"

#include "DrawContext.h"
#include "WindowView.h"

View::View(View* parent, const ControlDescriptor& descriptor)
    : parentView(parent),
      windowView(parent != nullptr ? parent->windowView : nullptr),
      id(descriptor.identifier),
      viewRect(descriptor.rect) {}

View::~View() = default;

float View::windowLeft() const {
    // The window view's own rectangle is its place in the host's window, not an offset.
    float x = 0.0f;
    for (const View* v = this; v != nullptr && v->parentView != nullptr; v = v->parentView) {
        x += v->viewRect.left;
    }
    return x;
}

float View::windowTop() const {
    float y = 0.0f;
    for (const View* v = this; v != nullptr && v->parentView != nullptr; v = v->parentView) {
        y += v->viewRect.top;
    }
    return y;
}

PixelRect View::windowPixels() const {
    const float left = windowLeft();
    const float top = windowTop();
    return PixelRect{static_cast<int32_t>(left), static_cast<int32_t>(top),
                     static_cast<int32_t>(left + viewRect.width()),
                     static_cast<int32_t>(top + viewRect.height())};
}

void View::drawTree(DrawContext& parentContext) {
    const bool topLevel = parentView == nullptr;
    const int32_t left = topLevel ? 0 : static_cast<int32_t>(viewRect.left);
    const int32_t top = topLevel ? 0 : static_cast<int32_t>(viewRect.top);
    DrawContext own = parentContext.translated(left, top).clippedTo(PixelRect{
        0, 0, static_cast<int32_t>(viewRect.width()), static_cast<int32_t>(viewRect.height())});
    if (own.clip().isEmpty()) {
        return;
    }
    draw(own);
    for (auto& child : children) {
        child->drawTree(own);
    }
}

Control* View::controlAt(float x, float y) {
    // Later children lie over earlier ones: search from the last.
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        View* child = it->get();
        if (child->viewRect.contains(x, y)) {
            if (Control* inner =
                    child->controlAt(x - child->viewRect.left, y - child->viewRect.top)) {
                return inner;
            }
            if (Control* c = child->asControl()) {
                return c;
            }
        }
    }
    return nullptr;
}

void View::invalidate() {
    if (windowView != nullptr) {
        windowView->invalidateRect(windowPixels());
    }
}

void View::draw(DrawContext&) {}
