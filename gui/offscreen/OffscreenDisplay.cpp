#include "OffscreenDisplay.h"

#include <algorithm>

#include "OffscreenWindowHost.h"

OffscreenDisplay::OffscreenDisplay() = default;

OffscreenDisplay::~OffscreenDisplay() {
    for (OffscreenWindowHost* host : liveHosts) {
        host->display = nullptr;
    }
}

Application::WindowHostFactory OffscreenDisplay::factory() {
    return [this](WindowView& window) -> std::unique_ptr<WindowHost> {
        return std::make_unique<OffscreenWindowHost>(window, this);
    };
}

OffscreenWindowHost* OffscreenDisplay::attachedHost() const {
    for (auto it = liveHosts.rbegin(); it != liveHosts.rend(); ++it) {
        if ((*it)->isAttached()) {
            return *it;
        }
    }
    return nullptr;
}

bool OffscreenDisplay::acceptsParent(void* parent) const {
    return parent != nullptr &&
           std::find(invalidParents.begin(), invalidParents.end(), parent) == invalidParents.end();
}
