#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "ControlDescriptor.h"
#include "FloatRect.h"
#include "PixelRect.h"

class Control;
class DrawContext;
class WindowView;

// A node of the view tree: a rectangle in its parent's coordinates (floats), children in
// creation order (owned), and the window view that hosts it. A view draws itself, then its
// children over it, each clipped to its own rectangle.
class View {
public:
    View(View* parent, const ControlDescriptor& descriptor);
    virtual ~View();
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    // Takes ownership of a child made with this view as its parent.
    template <typename T>
    T* add(std::unique_ptr<T> child) {
        T* raw = child.get();
        children.push_back(std::move(child));
        return raw;
    }

    View* parent() const { return parentView; }
    WindowView* window() const { return windowView; }
    int32_t identifier() const { return id; }
    const FloatRect& rect() const { return viewRect; }
    const std::vector<std::unique_ptr<View>>& childViews() const { return children; }

    // Offset of this view's top-left corner in window coordinates.
    float windowLeft() const;
    float windowTop() const;
    // The rectangle in whole window pixels (truncated).
    PixelRect windowPixels() const;

    // Draws this view and its children; the context's origin is the parent's top-left.
    void drawTree(DrawContext& parentContext);
    // The deepest control under a point given in this view's own coordinates, or null.
    Control* controlAt(float x, float y);
    virtual Control* asControl() { return nullptr; }

    // Marks the view's rectangle for repainting.
    void invalidate();

protected:
    // Draws the view itself; the context's origin is the view's top-left, clipped to it.
    virtual void draw(DrawContext& context);

private:
    View* parentView;
    WindowView* windowView;
    int32_t id;
    FloatRect viewRect;
    std::vector<std::unique_ptr<View>> children;

    friend class WindowView;
};
