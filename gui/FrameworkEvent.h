#pragma once

#include <cstdint>

// An event as the window host hands it to the window view: from a mouse message, a paint
// request, an activation change, or the editor's idle call.
struct FrameworkEvent {
    enum Type : int32_t {
        kIdle = 0,       // also a mouse move without capture, which is never delivered
        kMouseDown = 1,  // left button down or double click, or a move while captured
        kMouseUp = 2,
        kPaint = 6,     // data: the native window
        kActivate = 8,  // modifiers: 1 when activated
    };
    // Modifier bits: Shift sets bit 0, Ctrl bit 1, Alt bits 0 and 1.
    static constexpr int32_t kShift = 1;
    static constexpr int32_t kControl = 2;
    static constexpr int32_t kAlt = 3;

    int32_t type = kIdle;
    int32_t data = 0;
    int32_t time = 0;
    int32_t x = 0;
    int32_t y = 0;
    int32_t modifiers = 0;
};
