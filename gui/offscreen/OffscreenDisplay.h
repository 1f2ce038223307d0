#pragma once

#include <cstdint>
#include <vector>

#include "Application.h"

class OffscreenWindowHost;

// A screen that exists only in memory, for tests and tools: the window hosts it makes keep
// their presented pixels in a frame image and take mouse input from calls. Any non-null parent
// handle counts as a window, except the ones marked invalid.
class OffscreenDisplay {
public:
    OffscreenDisplay();
    ~OffscreenDisplay();
    OffscreenDisplay(const OffscreenDisplay&) = delete;
    OffscreenDisplay& operator=(const OffscreenDisplay&) = delete;

    // The factory to hand to Application::setWindowHostFactory.
    Application::WindowHostFactory factory();
    // The hosts that exist now, in creation order.
    const std::vector<OffscreenWindowHost*>& hosts() const { return liveHosts; }
    // The most recently created host that is attached, or null.
    OffscreenWindowHost* attachedHost() const;
    // A parent handle that attach refuses (like an unknown window id).
    void markInvalidParent(void* parent) { invalidParents.push_back(parent); }
    bool acceptsParent(void* parent) const;

private:
    friend class OffscreenWindowHost;
    std::vector<OffscreenWindowHost*> liveHosts;
    std::vector<void*> invalidParents;
};
