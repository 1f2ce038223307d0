#pragma once

#include <cstdint>
#include <memory>

#include "WindowHost.h"

class OffscreenDisplay;

// A window host without a display: the child window is a frame image of the window's size
// that receives every presented update, and mouse input comes from the calls below, which go
// through the same message translation as a real window.
class OffscreenWindowHost : public WindowHost {
public:
    OffscreenWindowHost(WindowView& window, OffscreenDisplay* display);
    ~OffscreenWindowHost() override;

    bool attach(void* parent, const PixelRect& rect) override;
    void detach() override;
    bool isAttached() const override { return frameImage != nullptr; }
    void show() override { visible = isAttached(); }
    bool isVisible() const override { return visible; }
    void processEvents() override;
    intptr_t nativeHandle() const override { return isAttached() ? handle : 0; }

    // What the window shows: every pixel presented so far (white before the first paint).
    const Image* frame() const { return frameImage.get(); }
    const PixelRect& placement() const { return place; }

    // Input as the window would receive it, in client coordinates.
    void pressButton(int32_t x, int32_t y, int32_t modifiers = 0);
    void moveMouse(int32_t x, int32_t y, int32_t modifiers = 0);
    void releaseButton(int32_t x, int32_t y, int32_t modifiers = 0);
    void setActive(bool active);

protected:
    void present(const Image& buffer, const PixelRect& update) override;

private:
    friend class OffscreenDisplay;
    OffscreenDisplay* display;
    std::unique_ptr<Image> frameImage;
    void* parent = nullptr;
    PixelRect place;
    bool visible = false;
    intptr_t handle;
    int32_t clock = 0;
};
