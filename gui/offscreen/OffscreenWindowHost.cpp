#include "OffscreenWindowHost.h"

#include <algorithm>
#include <cstring>

#include "Image.h"
#include "OffscreenDisplay.h"

OffscreenWindowHost::OffscreenWindowHost(WindowView& window, OffscreenDisplay* owner)
    : WindowHost(window), display(owner), handle(reinterpret_cast<intptr_t>(this)) {
    if (display != nullptr) {
        display->liveHosts.push_back(this);
    }
}

OffscreenWindowHost::~OffscreenWindowHost() {
    if (display != nullptr) {
        auto& hosts = display->liveHosts;
        hosts.erase(std::remove(hosts.begin(), hosts.end(), this), hosts.end());
    }
}

bool OffscreenWindowHost::attach(void* parentWindow, const PixelRect& rect) {
    detach();
    if (display != nullptr ? !display->acceptsParent(parentWindow) : parentWindow == nullptr) {
        return false;
    }
    frameImage = Image::create(rect.width(), rect.height(), 32, true);
    if (!frameImage) {
        return false;
    }
    parent = parentWindow;
    place = rect;
    client = PixelRect{0, 0, rect.width(), rect.height()};
    return true;
}

void OffscreenWindowHost::detach() {
    frameImage.reset();
    visible = false;
    captured = false;
    damage = PixelRect{};
    client = PixelRect{};
}

void OffscreenWindowHost::processEvents() {
    if (visible) {
        requestPaint();
    }
}

void OffscreenWindowHost::present(const Image& buffer, const PixelRect& update) {
    if (!frameImage) {
        return;
    }
    const PixelRect to = update.intersected(frameImage->bounds());
    for (int32_t y = to.top; y < to.bottom; ++y) {
        std::memcpy(frameImage->pixelAddress(to.left, y),
                    buffer.pixelAddress(to.left - update.left, y - update.top),
                    static_cast<size_t>(to.width()) * 4);
    }
}

void OffscreenWindowHost::pressButton(int32_t x, int32_t y, int32_t modifiers) {
    buttonDown(x, y, modifiers, ++clock);
}

void OffscreenWindowHost::moveMouse(int32_t x, int32_t y, int32_t modifiers) {
    pointerMoved(x, y, modifiers, ++clock);
}

void OffscreenWindowHost::releaseButton(int32_t x, int32_t y, int32_t modifiers) {
    buttonUp(x, y, modifiers, ++clock);
}

void OffscreenWindowHost::setActive(bool active) {
    activationChanged(active, ++clock);
}
