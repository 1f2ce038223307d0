#pragma once

#include <memory>

#include "Application.h"
#include "ControlDescriptor.h"
#include "OffscreenDisplay.h"
#include "OffscreenWindowHost.h"
#include "WindowView.h"

// A framework with the off-screen display and one shown window of the given size.
struct TestWindow {
    explicit TestWindow(int width = 200, int height = 120)
        : application(ApplicationDescriptor{"Test", "", "Res", "", "/nowhere/test.so"}) {
        application.setWindowHostFactory(display.factory());
        window = std::make_unique<WindowView>(application,
                                              ControlDescriptor(0, 0, 0, width, height, 1, 1));
    }
    bool open() { return window->attach(parentHandle()) && window->show(true, true, true); }
    OffscreenWindowHost& host() { return *static_cast<OffscreenWindowHost*>(window->host()); }
    static void* parentHandle() { return reinterpret_cast<void*>(uintptr_t{0x1234}); }

    OffscreenDisplay display;
    Application application;
    std::unique_ptr<WindowView> window;
};
