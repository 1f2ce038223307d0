#include "Win32WindowHost.h"

#include <windowsx.h>

#include "Image.h"
#include "ModuleInstance.h"

namespace {

// The window class is shared by every host of the module: registered by the first attach,
// unregistered by the last detach. GUI thread only.
int32_t classUsers = 0;

HINSTANCE moduleInstance() {
    return static_cast<HINSTANCE>(ModuleInstance::handle());
}

}  // namespace

std::unique_ptr<WindowHost> createPlatformWindowHost(WindowView& window) {
    return std::make_unique<Win32WindowHost>(window);
}

int32_t WindowHost::messageTime() {
    return static_cast<int32_t>(GetMessageTime());
}

Win32WindowHost::Win32WindowHost(WindowView& view) : WindowHost(view) {}

Win32WindowHost::~Win32WindowHost() {
    detach();
}

int32_t Win32WindowHost::keyboardModifiers() {
    int32_t flags = 0;
    if (GetKeyState(VK_SHIFT) < 0) {
        flags |= 1;
    }
    if (GetKeyState(VK_CONTROL) < 0) {
        flags |= 2;
    }
    if (GetKeyState(VK_MENU) < 0) {
        flags |= 3;
    }
    return flags;
}

bool Win32WindowHost::attach(void* parent, const PixelRect& rect) {
    detach();
    const HINSTANCE instance = moduleInstance();
    if (classUsers == 0) {
        WNDCLASSW windowClass{};
        windowClass.style = 0;
        windowClass.lpfnWndProc = &Win32WindowHost::windowProcedure;
        windowClass.cbClsExtra = 0;
        windowClass.cbWndExtra = 0;
        windowClass.hInstance = instance;
        windowClass.hIcon = nullptr;
        windowClass.hCursor = nullptr;
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
        windowClass.lpszMenuName = nullptr;
        windowClass.lpszClassName = kClassName;
        if (RegisterClassW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
            return false;
        }
    }
    ++classUsers;
    holdsClass = true;

    // Hidden until shown; identifier 1 among the parent's children.
    window = CreateWindowExW(0, kClassName, L"", WS_CHILD, rect.left, rect.top, rect.width(),
                             rect.height(), static_cast<HWND>(parent),
                             reinterpret_cast<HMENU>(static_cast<intptr_t>(kChildIdentifier)),
                             instance, nullptr);
    if (window == nullptr) {
        detach();  // gives the class back
        return false;
    }
    parentWindow = static_cast<HWND>(parent);
    placement = rect;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

    HDC screen = GetDC(window);
    memoryContexts[0] = CreateCompatibleDC(screen);
    memoryContexts[1] = CreateCompatibleDC(screen);
    ReleaseDC(window, screen);

    RECT area{};
    GetClientRect(window, &area);
    client = PixelRect{area.left, area.top, area.right, area.bottom};
    return true;
}

void Win32WindowHost::detach() {
    for (HDC& context : memoryContexts) {
        if (context != nullptr) {
            DeleteDC(context);
            context = nullptr;
        }
    }
    if (window != nullptr) {
        // WM_DESTROY clears the link; a parent destroyed first has taken the window already.
        const HWND going = window;
        DestroyWindow(going);
        window = nullptr;
    }
    if (holdsClass) {
        holdsClass = false;
        if (--classUsers == 0) {
            UnregisterClassW(kClassName, moduleInstance());
        }
    }
    parentWindow = nullptr;
    captured = false;
    damage = PixelRect{};
    client = PixelRect{};
}

void Win32WindowHost::show() {
    if (window != nullptr) {
        ShowWindow(window, SW_SHOW);
    }
}

bool Win32WindowHost::isVisible() const {
    return window != nullptr && IsWindowVisible(window) != FALSE;
}

void Win32WindowHost::processEvents() {
    if (window == nullptr || damage.isEmpty()) {
        return;
    }
    const RECT area{damage.left, damage.top, damage.right, damage.bottom};
    InvalidateRect(window, &area, FALSE);
    UpdateWindow(window);
}

LRESULT CALLBACK Win32WindowHost::windowProcedure(HWND hwnd, UINT message, WPARAM wParam,
                                                  LPARAM lParam) {
    auto* host = reinterpret_cast<Win32WindowHost*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (host == nullptr) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    // Nothing may unwind into the system's dispatcher.
    try {
        return host->handleMessage(hwnd, message, wParam, lParam);
    } catch (...) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

LRESULT Win32WindowHost::handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto time = static_cast<int32_t>(GetMessageTime());
    switch (message) {
        case WM_CREATE:
            return 0;  // the host object exists: creation accepted
        case WM_DESTROY:
            if (hwnd == window) {
                window = nullptr;
                captured = false;
            }
            return 0;
        case WM_SIZE:
            clientResized(LOWORD(lParam), HIWORD(lParam));
            return 0;
        case WM_ACTIVATE:
            activationChanged(LOWORD(wParam) != WA_INACTIVE, time);
            return 0;
        case WM_PAINT:
            paint();
            return 0;
        case WM_COMMAND:
            if (lParam != 0) {
                return SendMessageW(reinterpret_cast<HWND>(lParam), WM_COMMAND,
                                    MAKEWPARAM(LOWORD(wParam), HIWORD(wParam)), lParam);
            }
            break;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSTATIC:
            if (lParam != 0) {
                return SendMessageW(reinterpret_cast<HWND>(lParam), message, wParam, lParam);
            }
            break;
        case WM_MOUSEMOVE:
            // Delivered only while captured; otherwise the point and time are recorded.
            pointerMoved(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), keyboardModifiers(), time);
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            SetCapture(hwnd);
            buttonDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), keyboardModifiers(), time);
            return 0;
        case WM_LBUTTONUP:
            ReleaseCapture();
            buttonUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), keyboardModifiers(), time);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void Win32WindowHost::paint() {
    // An empty update region ends the pass with nothing drawn.
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    const int kind = region != nullptr ? GetUpdateRgn(window, region, FALSE) : ERROR;
    if (region != nullptr) {
        DeleteObject(region);
    }
    if (kind == NULLREGION || kind == ERROR) {
        return;
    }
    paintContext = BeginPaint(window, &paintInfo);
    RECT area{};
    GetClientRect(window, &area);
    client = PixelRect{area.left, area.top, area.right, area.bottom};
    invalidate(PixelRect{paintInfo.rcPaint.left, paintInfo.rcPaint.top, paintInfo.rcPaint.right,
                         paintInfo.rcPaint.bottom});
    requestPaint();  // the window view's paint pass ends in present()
    EndPaint(window, &paintInfo);
    paintContext = nullptr;
}

void Win32WindowHost::present(const Image& buffer, const PixelRect& update) {
    if (window == nullptr || buffer.pixels() == nullptr) {
        return;
    }
    HDC target = paintContext != nullptr ? paintContext : GetDC(window);
    const auto bitmap = reinterpret_cast<HBITMAP>(buffer.surfaceHandle());
    if (bitmap != nullptr && memoryContexts[0] != nullptr) {
        // The buffer's (0, 0) is the update rectangle's top-left.
        const HGDIOBJ previous = SelectObject(memoryContexts[0], bitmap);
        BitBlt(target, update.left, update.top, update.width(), update.height(), memoryContexts[0],
               0, 0, SRCCOPY);
        SelectObject(memoryContexts[0], previous);
    } else {
        // A buffer in plain memory: the same copy from a top-down 32-bit header.
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = buffer.rowStep() / 4;
        info.bmiHeader.biHeight = -buffer.height();
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        SetDIBitsToDevice(target, update.left, update.top, static_cast<DWORD>(update.width()),
                          static_cast<DWORD>(update.height()), 0, 0, 0,
                          static_cast<UINT>(buffer.height()), buffer.pixels(), &info,
                          DIB_RGB_COLORS);
    }
    // The program writes the DIB's bits next: GDI's queue must be done with them.
    GdiFlush();
    if (paintContext == nullptr) {
        ReleaseDC(window, target);
    }
}
