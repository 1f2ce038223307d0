#pragma once

#include <windows.h>

#include <cstdint>

#include "WindowHost.h"

// The Windows backend: a child window of class "Corvale2ChildWindow" inside the host's window,
// with the host object in the window's user data. The host's message loop delivers the
// window's messages to the window procedure, which turns them into framework events: a left
// press or double click captures the mouse, moves count only while captured, the release frees
// it; modifiers come from the keyboard state at that moment. Painting answers WM_PAINT: the
// update region is drawn into the framework's shared off-screen DIB section and copied to the
// window with BitBlt from a memory device context.
class Win32WindowHost : public WindowHost {
public:
    static constexpr const wchar_t* kClassName = L"Corvale2ChildWindow";
    static constexpr int kChildIdentifier = 1;

    explicit Win32WindowHost(WindowView& window);
    ~Win32WindowHost() override;

    bool attach(void* parent, const PixelRect& rect) override;
    void detach() override;
    bool isAttached() const override { return window != nullptr; }
    void show() override;
    bool isVisible() const override;
    // Damage collected since the last pass is invalidated and painted now (WM_PAINT).
    void processEvents() override;
    intptr_t nativeHandle() const override { return reinterpret_cast<intptr_t>(window); }

    // How many hosts hold the window class (registered while above 0).
    // Shift: bit 0; Ctrl: bit 1; Alt: bits 0 and 1; read from the thread's keyboard state.
    static int32_t keyboardModifiers();

protected:
    void present(const Image& buffer, const PixelRect& update) override;

private:
    static LRESULT CALLBACK windowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void paint();

    HWND window = nullptr;
    HWND parentWindow = nullptr;
    PixelRect placement;
    HDC memoryContexts[2] = {nullptr, nullptr};
    bool holdsClass = false;
    // paint state
    HDC paintContext = nullptr;
    PAINTSTRUCT paintInfo{};
};
