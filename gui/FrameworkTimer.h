#pragma once

#include <cstdint>

// A timer of the framework's idle step: fires at the first idle step at least intervalMs
// milliseconds after it last fired (lastFiredMs starts at 0, so a new timer fires at once).
class FrameworkTimer {
public:
    virtual ~FrameworkTimer() = default;
    virtual void onTimer() = 0;
    uint32_t intervalMs = 0;
    bool running = true;
    uint64_t lastFiredMs = 0;
};
