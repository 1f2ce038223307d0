// A small Windows host: it loads the plug-in DLL, makes the effect through the exported entry
// point main, opens the editor in a window of its own, drags the "Decay" knob upwards with real
// mouse input (SendInput), checks the automation callback, and captures the editor to a PNG.
// Usage: orvane-win32-host <plug-in DLL> <PNG to write>. Exit code 0 when every check passed.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "Image.h"
#include "PngWriter.h"
#include "vst2/Vst2Abi.h"

namespace {

std::vector<std::pair<int32_t, float>> automations;

intptr_t VST2_CALLBACK hostCallback(vst2::AEffect*, int32_t opcode, int32_t index, intptr_t, void*,
                                    float opt) {
    if (opcode == vst2::audioMasterAutomate) {
        automations.emplace_back(index, opt);
    }
    return opcode == vst2::audioMasterVersion ? 2400 : 0;
}

int failures = 0;
void check(bool ok, const char* what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
    failures += ok ? 0 : 1;
}

// Delivers the queued messages and gives the editor its idle calls for about ms milliseconds.
void run(vst2::AEffect* effect, int ms) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        effect->dispatcher(effect, vst2::effEditIdle, 0, 0, nullptr, 0.0f);
        Sleep(10);
    } while (static_cast<int32_t>(end - GetTickCount()) > 0);
}

// A mouse button, or a move to absolute screen coordinates (0 to 65535 across the screen), then
// ms milliseconds of messages and idle calls.
void sendMouse(vst2::AEffect* effect, int ms, DWORD flags, POINT at = {}) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags | (flags == MOUSEEVENTF_MOVE ? MOUSEEVENTF_ABSOLUTE : 0);
    input.mi.dx = MulDiv(at.x, 65536, GetSystemMetrics(SM_CXSCREEN));
    input.mi.dy = MulDiv(at.y, 65536, GetSystemMetrics(SM_CYSCREEN));
    SendInput(1, &input, sizeof input);
    run(effect, ms);
}

// The window's client area as a 32-bit top-down image (blue, green, red, alpha 255).
std::unique_ptr<Image> capture(HWND window, int width, int height) {
    std::unique_ptr<Image> image = Image::create(width, height, 32, false);
    HDC screen = GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    const HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), image->pixels(), &info, DIB_RGB_COLORS);
    for (int i = 3; i < image->byteSize(); i += 4) {
        image->pixels()[i] = 255;
    }
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, screen);
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    HMODULE library = argc == 3 ? LoadLibraryA(argv[1]) : nullptr;
    if (library == nullptr) {
        std::fprintf(stderr, "usage: orvane-win32-host <plug-in DLL> <PNG to write>\n");
        return 2;
    }
    using Entry = vst2::AEffect*(VST2_CALLBACK*)(vst2::audioMasterCallback);
    const auto entry =
        reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(library, "main")));
    vst2::AEffect* effect = entry != nullptr ? entry(hostCallback) : nullptr;
    check(effect != nullptr && effect->magic == vst2::kEffectMagic, "main answers an effect");
    if (effect == nullptr) {
        return 1;
    }
    effect->dispatcher(effect, vst2::effOpen, 0, 0, nullptr, 0.0f);

    // A borderless window of the editor's size (600 x 246): without a window manager (Xvfb) a
    // captioned frame is not created.
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_CLIPCHILDREN, 40, 40, 600, 246,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ShowWindow(parent, SW_SHOW);
    SetForegroundWindow(parent);
    check(effect->dispatcher(effect, vst2::effEditOpen, 0, 0, parent, 0.0f) == 1,
          "the editor opens in the host's window");
    HWND editor = FindWindowExW(parent, nullptr, L"Corvale2ChildWindow", nullptr);
    check(editor != nullptr && GetDlgCtrlID(editor) == 1 && IsWindowVisible(editor),
          "a visible child window of class Corvale2ChildWindow with identifier 1");
    if (editor == nullptr) {
        return 1;
    }
    run(effect, 500);

    // Drag the "Decay" knob (56 x 55 at (26, 145)) from its centre 60 pixels up: from step 50,
    // 50 + 50 * 60 * 0.01041 = 81.2 -> 81.
    const float before = effect->getParameter(effect, 1);
    POINT centre{26 + 28, 145 + 27};
    ClientToScreen(editor, &centre);
    sendMouse(effect, 100, MOUSEEVENTF_MOVE, centre);
    sendMouse(effect, 100, MOUSEEVENTF_LEFTDOWN);
    for (int step = 1; step <= 6; ++step) {
        sendMouse(effect, 60, MOUSEEVENTF_MOVE, POINT{centre.x, centre.y - 10 * step});
    }
    sendMouse(effect, 400, MOUSEEVENTF_LEFTUP);
    const float after = effect->getParameter(effect, 1);
    std::printf("Decay: %.6f -> %.6f\n", static_cast<double>(before), static_cast<double>(after));
    check(after >= 0.80f && after <= 0.82f, "dragging up raises \"Decay\" to 0.81 (+- a pixel)");
    check(!automations.empty() && automations.back() == std::make_pair(int32_t{1}, after),
          "the last automated value is the parameter's value");

    std::unique_ptr<Image> shot = capture(editor, 600, 246);
    check(PngWriter::writeFile(*shot, argv[2], false), "the capture is written as PNG");

    effect->dispatcher(effect, vst2::effEditClose, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, vst2::effClose, 0, 0, nullptr, 0.0f);
    DestroyWindow(parent);
    FreeLibrary(library);
    std::printf("%d checks failed\n", failures);
    return failures == 0 ? 0 : 1;
}
