#pragma once

#include "vst2/Vst2Abi.h"

// The editor as the plug-in object sees it: a window inside the host's parent window.
// All calls come from the host's user-interface thread, except postUpdate (any thread).
class AEffEditor {
public:
    virtual ~AEffEditor() = default;

    // Hands the host the editor's rectangle; answers 1 when given.
    virtual intptr_t getRect(vst2::ERect** rect) = 0;
    // Opens the editor inside the host's parent window; answers 1 on success.
    virtual intptr_t open(void* parent) = 0;
    virtual void close() = 0;
    virtual void idle() = 0;
    // Parameters changed outside the editor: refresh every control at the next idle.
    virtual void postUpdate() noexcept = 0;
};
