// A small Windows host: it loads the plug-in DLL, creates the effect through the exported
// entry point main, opens the editor in a window of its own, drags the "Decay" knob upwards
// with real mouse input (SendInput), checks that the plug-in reported the change through the
// automation callback, and captures the editor to a PNG. The capture is checked against the
// module's own background picture (read through its exported ResMap): outside the knobs and
// displays the window must show that picture unchanged.
//
// Usage: orvane-win32-host <plug-in DLL> <PNG to write>. Exit code 0 when every check passed.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "Image.h"
#include "ImageTable.h"
#include "PngWriter.h"
#include "ResourceRecord.h"
#include "vst2/Vst2Abi.h"

namespace {

struct Automation {
    int32_t index;
    float value;
};
std::vector<Automation> automations;

// The host callback: answers the version request and records automation.
intptr_t VST2_CALLBACK hostCallback(vst2::AEffect*, int32_t opcode, int32_t index, intptr_t, void*,
                                    float opt) {
    if (opcode == vst2::audioMasterVersion) {
        return 2400;
    }
    if (opcode == vst2::audioMasterAutomate) {
        automations.push_back({index, opt});
    }
    return 0;
}

using Entry = vst2::AEffect*(VST2_CALLBACK*)(vst2::audioMasterCallback);

int failures = 0;
void check(bool ok, const char* what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
    if (!ok) {
        ++failures;
    }
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

void sendMouse(DWORD flags, int x = 0, int y = 0) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    if ((flags & MOUSEEVENTF_MOVE) != 0) {
        // Absolute coordinates run from 0 to 65535 across the primary screen.
        input.mi.dwFlags |= MOUSEEVENTF_ABSOLUTE;
        input.mi.dx = MulDiv(x, 65536, GetSystemMetrics(SM_CXSCREEN));
        input.mi.dy = MulDiv(y, 65536, GetSystemMetrics(SM_CYSCREEN));
    }
    SendInput(1, &input, sizeof input);
}

// The window's client area as a 32-bit image (blue, green, red, alpha 255).
std::unique_ptr<Image> capture(HWND window, int width, int height) {
    std::unique_ptr<Image> image = Image::create(width, height, 32, false);
    HDC screen = GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    for (int y = 0; y < height; ++y) {
        std::memcpy(image->pixelAddress(0, y), static_cast<uint8_t*>(bits) + y * width * 4,
                    static_cast<size_t>(width) * 4);
        for (int x = 0; x < width; ++x) {
            image->pixelAddress(x, y)[3] = 255;
        }
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, screen);
    return image;
}

// The resource table the module exports: four entries (name, record) and their count.
struct ExportedResource {
    const char* name;
    const ResourceRecord* record;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: orvane-win32-host <plug-in DLL> <PNG to write>\n");
        return 2;
    }
    HMODULE library = LoadLibraryA(argv[1]);
    if (library == nullptr) {
        std::fprintf(stderr, "cannot load %s (error %lu)\n", argv[1], GetLastError());
        return 1;
    }
    const auto entry =
        reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(library, "main")));
    check(entry != nullptr, "the module exports main");
    vst2::AEffect* effect = entry != nullptr ? entry(hostCallback) : nullptr;
    check(effect != nullptr && effect->magic == vst2::kEffectMagic,
          "main answers an effect record");
    if (effect == nullptr) {
        return 1;
    }
    effect->dispatcher(effect, vst2::effOpen, 0, 0, nullptr, 0.0f);

    vst2::ERect* size = nullptr;
    effect->dispatcher(effect, vst2::effEditGetRect, 0, 0, &size, 0.0f);
    check(size != nullptr && size->right - size->left == 600 && size->bottom - size->top == 246,
          "the editor is 600 x 246");
    const int width = 600;
    const int height = 246;

    // The host's window: the editor's size, at a known place on the screen.
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = L"OrvaneHostWindow";
    RegisterClassW(&windowClass);
    // A borderless window: without a window manager (Xvfb) a captioned frame is not created.
    HWND parent = CreateWindowExW(0, L"OrvaneHostWindow", L"Orvane Piano", WS_POPUP, 40, 40, width,
                                  height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (parent == nullptr) {
        std::fprintf(stderr, "cannot create the host window (error %lu)\n", GetLastError());
        return 1;
    }
    ShowWindow(parent, SW_SHOW);
    SetForegroundWindow(parent);

    check(effect->dispatcher(effect, vst2::effEditOpen, 0, 0, parent, 0.0f) == 1,
          "the editor opens in the host's window");
    HWND editor = FindWindowExW(parent, nullptr, L"Corvale2ChildWindow", nullptr);
    check(editor != nullptr && GetDlgCtrlID(editor) == 1 && IsWindowVisible(editor),
          "a visible child window of class Corvale2ChildWindow with identifier 1");
    run(effect, 500);
    if (editor == nullptr) {
        return 1;
    }

    // Drag the "Decay" knob (56 x 55 at (26, 145)) from its centre 60 pixels up.
    const float before = effect->getParameter(effect, 1);
    POINT centre{26 + 28, 145 + 27};
    ClientToScreen(editor, &centre);
    std::unique_ptr<Image> still = capture(editor, width, height);
    sendMouse(MOUSEEVENTF_MOVE, centre.x, centre.y);
    run(effect, 100);
    sendMouse(MOUSEEVENTF_LEFTDOWN);
    run(effect, 100);
    for (int step = 1; step <= 6; ++step) {
        sendMouse(MOUSEEVENTF_MOVE, centre.x, centre.y - 10 * step);
        run(effect, 60);
    }
    sendMouse(MOUSEEVENTF_LEFTUP);
    run(effect, 400);

    const float after = effect->getParameter(effect, 1);
    bool automated = false;
    for (const Automation& a : automations) {
        automated = automated || a.index == 1;
    }
    check(automated, "dragging the knob reports parameter 1 through audioMasterAutomate");
    check(after > before, "dragging up raises \"Decay\"");
    check(
        !automations.empty() && automations.back().index == 1 && automations.back().value == after,
        "the last automated value is the parameter's value");
    std::printf("Decay: %.6f -> %.6f, %zu automation calls\n", static_cast<double>(before),
                static_cast<double>(after), automations.size());

    // The picture: the knob's cell changed, and the background shows through elsewhere.
    std::unique_ptr<Image> shot = capture(editor, width, height);
    int knobChanged = 0;
    for (int y = 145; y < 200; ++y) {
        for (int x = 26; x < 82; ++x) {
            knobChanged += std::memcmp(shot->pixelAddress(x, y), still->pixelAddress(x, y), 3) != 0;
        }
    }
    check(knobChanged > 50, "the knob is drawn at its new position");

    const auto* table = reinterpret_cast<const ExportedResource*>(
        reinterpret_cast<void*>(GetProcAddress(library, "ResMap")));
    std::unique_ptr<Image> background;
    if (table != nullptr && std::strcmp(table[0].name, "qorin_back") == 0) {
        background = ImageTable::decode(table[0].record->data(),
                                        static_cast<size_t>(table[0].record->size()), false);
    }
    check(background != nullptr && background->width() == width && background->height() == height,
          "ResMap's qorin_back decodes to 600 x 246");
    if (background != nullptr) {
        // The strips above the displays and knobs (y < 45) and below them (y >= 215) are the
        // background copied unchanged.
        int compared = 0;
        int differing = 0;
        for (int y = 0; y < height; ++y) {
            if (y >= 45 && y < 215) {
                continue;
            }
            for (int x = 0; x < width; ++x) {
                ++compared;
                differing +=
                    std::memcmp(shot->pixelAddress(x, y), background->pixelAddress(x, y), 3) != 0;
            }
        }
        std::printf("background: %d of %d pixels differ\n", differing, compared);
        check(differing == 0, "the window shows the editor's background picture");
    }
    check(PngWriter::writeFile(*shot, argv[2], false), "the capture is written as PNG");

    effect->dispatcher(effect, vst2::effEditClose, 0, 0, nullptr, 0.0f);
    check(FindWindowExW(parent, nullptr, L"Corvale2ChildWindow", nullptr) == nullptr,
          "closing the editor destroys its window");
    effect->dispatcher(effect, vst2::effClose, 0, 0, nullptr, 0.0f);
    DestroyWindow(parent);
    FreeLibrary(library);
    std::printf("%d checks failed\n", failures);
    return failures == 0 ? 0 : 1;
}
