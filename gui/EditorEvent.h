#pragma once

#include <cstdint>

#include "WindowHost.h"

// The event record passed into the engine module's editor dispatch.
struct EditorEvent {
    enum Type : int32_t {
        kIdle = 0x0000,
        kParameterChanged = 0x4000,         // data: parameter number; refresh and redraw
        kParameterChangedQuietly = 0x4006,  // as above, without redraw
        kRefreshAll = 0x4007,               // every parameter 1 .. count - 1
        kRedraw = 0x4008,                   // the whole window is invalidated
    };

    int32_t type = kIdle;
    int32_t data = 0;
    int32_t time = 0;  // message time of the GUI thread's last window message
    int32_t reserved[3] = {0, 0, 0};

    // A record of that type and data, timed with the GUI thread's last window message.
    static EditorEvent stamped(int32_t type, int32_t data = 0) {
        return EditorEvent{type, data, WindowHost::messageTime()};
    }
};
