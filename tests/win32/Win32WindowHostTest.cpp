#include <gtest/gtest.h>
#include <windows.h>

#include <array>

#include "Win32TestWindows.h"
#include "Win32WindowHost.h"

namespace {

LPARAM point(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)),
                      static_cast<WORD>(static_cast<short>(y)));
}

bool classRegistered() {
    WNDCLASSW info{};
    return GetClassInfoW(static_cast<HINSTANCE>(ModuleInstance::handle()),
                         Win32WindowHost::kClassName, &info) != FALSE;
}

COLORREF windowPixel(HWND window, int x, int y) {
    HDC context = GetDC(window);
    const COLORREF pixel = GetPixel(context, x, y);
    ReleaseDC(window, context);
    return pixel;
}

// A window view at (10, 20) of 200 x 120 with a recording control over its top-left 100 x 60
// and a solid view beneath.
struct TestEditor {
    explicit TestEditor(Application& app) {
        window = std::make_unique<WindowView>(app, ControlDescriptor(0, 10, 20, 200, 120, 1, 1));
        solid = window->add(std::make_unique<SolidView>(
            window.get(), ControlDescriptor(0, 0, 0, 200, 120, 1, 1), Colour{10, 40, 200, 255}));
        control = window->add(std::make_unique<RecordingControl>(
            window.get(), ControlDescriptor(1, 0, 0, 100, 60, 1, 1)));
    }
    bool open(HWND parent) { return window->attach(parent) && window->show(true, true, true); }
    HWND child() { return reinterpret_cast<HWND>(window->host()->nativeHandle()); }

    std::unique_ptr<WindowView> window;
    SolidView* solid = nullptr;
    RecordingControl* control = nullptr;
};

class Win32WindowHostTest : public ::testing::Test {
protected:
    ParentWindow parent;
    Application app{testDescriptor()};
};

TEST_F(Win32WindowHostTest, ChildWindowsOfTheFrameworkClassInsideTheHostsWindow) {
    EXPECT_EQ(ModuleInstance::handle(), GetModuleHandleW(nullptr));  // the program itself
    ASSERT_FALSE(classRegistered());
    TestEditor editor(app);
    TestEditor second(app);
    EXPECT_FALSE(editor.window->attach(nullptr));  // a child window needs a parent
    EXPECT_FALSE(classRegistered());
    ASSERT_TRUE(editor.window->attach(parent.handle));
    ASSERT_TRUE(second.window->attach(parent.handle));
    const HWND child = editor.child();
    EXPECT_EQ(GetParent(child), parent.handle);
    EXPECT_EQ(GetDlgCtrlID(child), 1);
    WNDCLASSW info{};
    GetClassInfoW(static_cast<HINSTANCE>(ModuleInstance::handle()), L"Corvale2ChildWindow", &info);
    EXPECT_EQ(info.style, 0u);
    EXPECT_EQ(info.hbrBackground, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));
    // A plain child, hidden until shown, at the view's rectangle in the parent's client area.
    EXPECT_EQ(GetWindowLongW(child, GWL_STYLE) & (WS_CHILD | WS_VISIBLE | WS_BORDER | WS_CAPTION),
              WS_CHILD);
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent.handle, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ((std::array<LONG, 4>{r.left, r.top, r.right, r.bottom}),
              (std::array<LONG, 4>{10, 20, 210, 140}));
    // The class stays while one window is left; the host destroying its window first unlinks
    // the last one, and the class goes with it.
    EXPECT_TRUE(second.window->close());
    EXPECT_TRUE(classRegistered());
    DestroyWindow(parent.handle);
    parent.handle = nullptr;
    EXPECT_FALSE(editor.window->close());
    EXPECT_FALSE(classRegistered());
}

TEST_F(Win32WindowHostTest, APressCapturesTheMouseWithTheKeyboardsModifiers) {
    TestEditor editor(app);
    ASSERT_TRUE(editor.open(parent.handle));
    const HWND child = editor.child();
    auto& steps = editor.control->steps;
    SendMessageW(child, WM_MOUSEMOVE, 0, point(20, 10));  // without the button: nothing
    BYTE keys[256] = {};
    keys[VK_SHIFT] = 0x80;  // high bit: held down
    ASSERT_TRUE(SetKeyboardState(keys));
    SendMessageW(child, WM_LBUTTONDOWN, MK_LBUTTON, point(20, 10));
    EXPECT_EQ(GetCapture(), child);
    // Outside the client area the coordinates are negative or beyond its size.
    SendMessageW(child, WM_MOUSEMOVE, MK_LBUTTON, point(-30, 300));
    SendMessageW(child, WM_LBUTTONUP, 0, point(-30, 300));
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(editor.control->releases, 1);
    SendMessageW(child, WM_MOUSEMOVE, 0, point(25, 12));
    // A double click is a press; Alt held instead gives bits 0 and 1.
    keys[VK_SHIFT] = 0;
    keys[VK_MENU] = 0x80;
    ASSERT_TRUE(SetKeyboardState(keys));
    SendMessageW(child, WM_LBUTTONDBLCLK, MK_LBUTTON, point(40, 30));
    EXPECT_EQ(GetCapture(), child);
    SendMessageW(child, WM_LBUTTONUP, 0, point(40, 30));
    ASSERT_EQ(steps.size(), 5u);  // press, move, release, press, release
    EXPECT_EQ((std::array<float, 5>{steps[0].x, steps[0].y, steps[1].x, steps[1].y, steps[3].x}),
              (std::array<float, 5>{20, 10, -30, 300, 40}));
    EXPECT_EQ(steps[0].modifiers, 1);  // Shift when the button went down: bit 0
    EXPECT_EQ(steps[3].modifiers, 3);
    BYTE released[256] = {};
    SetKeyboardState(released);
}

TEST_F(Win32WindowHostTest, PaintingCopiesOnlyTheDamage) {
    TestEditor editor(app);
    ASSERT_TRUE(editor.open(parent.handle));
    editor.window->host()->processEvents();
    EXPECT_EQ(editor.solid->draws, 1);
    EXPECT_EQ(windowPixel(editor.child(), 150, 100), RGB(200, 40, 10));  // blue 10, red 200
    // Only the damaged corner reaches the window.
    editor.solid->colour = Colour{250, 0, 0, 255};
    editor.window->invalidateRect(PixelRect{0, 0, 16, 8});
    editor.window->host()->processEvents();
    EXPECT_EQ(editor.solid->draws, 2);
    EXPECT_EQ(windowPixel(editor.child(), 15, 7), RGB(0, 0, 250));
    EXPECT_EQ(windowPixel(editor.child(), 16, 7), RGB(200, 40, 10));
    EXPECT_EQ(windowPixel(editor.child(), 15, 8), RGB(200, 40, 10));
    // A paint request with an empty update region draws nothing.
    ValidateRect(editor.child(), nullptr);
    SendMessageW(editor.child(), WM_PAINT, 0, 0);
    EXPECT_EQ(editor.solid->draws, 2);
}

}  // namespace
