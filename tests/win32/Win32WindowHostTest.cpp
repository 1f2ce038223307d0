#include <gtest/gtest.h>
#include <windows.h>

#include "Win32TestWindows.h"
#include "Win32WindowHost.h"

namespace {

LPARAM point(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)),
                      static_cast<WORD>(static_cast<short>(y)));
}

// A window view at (10, 20) of 200 x 120 with a recording control over its top-left 100 x 60
// and a solid view beside it.
struct TestEditor {
    explicit TestEditor(Application& app) {
        window = std::make_unique<WindowView>(app, ControlDescriptor(0, 10, 20, 200, 120, 1, 1));
        solid = window->add(std::make_unique<SolidView>(
            window.get(), ControlDescriptor(0, 0, 0, 200, 120, 1, 1), Colour{10, 40, 200, 255}));
        control = window->add(std::make_unique<RecordingControl>(
            window.get(), ControlDescriptor(1, 0, 0, 100, 60, 1, 1)));
    }
    Win32WindowHost& host() { return *static_cast<Win32WindowHost*>(window->host()); }
    HWND child() { return reinterpret_cast<HWND>(window->host()->nativeHandle()); }

    std::unique_ptr<WindowView> window;
    SolidView* solid = nullptr;
    RecordingControl* control = nullptr;
};

class Win32WindowHostTest : public ::testing::Test {
protected:
    static bool classRegistered() {
        WNDCLASSW info{};
        return GetClassInfoW(static_cast<HINSTANCE>(ModuleInstance::handle()),
                             Win32WindowHost::kClassName, &info) != FALSE;
    }
    // Runs the editor's idle: collected damage is painted through WM_PAINT.
    static void idle(TestEditor& editor) { editor.window->host()->processEvents(); }

    ParentWindow parent;
    Application app{testDescriptor()};
};

TEST_F(Win32WindowHostTest, ClassIsRegisteredByTheFirstHostAndUnregisteredByTheLast) {
    ASSERT_FALSE(classRegistered());
    TestEditor first(app);
    TestEditor second(app);
    ASSERT_TRUE(first.window->attach(parent.handle));
    EXPECT_EQ(Win32WindowHost::classUseCount(), 1);
    ASSERT_TRUE(second.window->attach(parent.handle));
    EXPECT_EQ(Win32WindowHost::classUseCount(), 2);

    WNDCLASSW info{};
    ASSERT_TRUE(GetClassInfoW(static_cast<HINSTANCE>(ModuleInstance::handle()),
                              Win32WindowHost::kClassName, &info));
    EXPECT_EQ(info.style, 0u);
    EXPECT_EQ(info.cbClsExtra, 0);
    EXPECT_EQ(info.cbWndExtra, 0);
    EXPECT_EQ(info.hIcon, nullptr);
    EXPECT_EQ(info.hCursor, nullptr);
    EXPECT_EQ(info.hbrBackground, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));
    EXPECT_EQ(info.lpszMenuName, nullptr);

    // Closing one of two windows leaves the class registered.
    EXPECT_TRUE(first.window->close());
    EXPECT_EQ(Win32WindowHost::classUseCount(), 1);
    EXPECT_TRUE(classRegistered());
    EXPECT_TRUE(second.window->close());
    EXPECT_EQ(Win32WindowHost::classUseCount(), 0);
    EXPECT_FALSE(classRegistered());
}

TEST_F(Win32WindowHostTest, ChildWindowIsPlacedHiddenWithIdentifierOneAndItsHost) {
    TestEditor editor(app);
    ASSERT_TRUE(editor.window->attach(parent.handle));
    const HWND child = editor.child();
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetParent(child), parent.handle);
    EXPECT_EQ(GetDlgCtrlID(child), 1);
    EXPECT_EQ(GetWindowLongPtrW(child, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&editor.host()));
    wchar_t className[64] = {};
    GetClassNameW(child, className, 64);
    EXPECT_STREQ(className, L"Corvale2ChildWindow");
    EXPECT_EQ(GetWindowTextLengthW(child), 0);
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE | WS_BORDER | WS_CAPTION), WS_CHILD);
    EXPECT_EQ(GetWindowLongW(child, GWL_EXSTYLE) & ~WS_EX_NOPARENTNOTIFY, 0);

    // The view's rectangle in the parent's client area.
    RECT placed{};
    GetWindowRect(child, &placed);
    MapWindowPoints(nullptr, parent.handle, reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(placed.left, 10);
    EXPECT_EQ(placed.top, 20);
    EXPECT_EQ(placed.right, 210);
    EXPECT_EQ(placed.bottom, 140);
    EXPECT_EQ(editor.host().clientRect().width(), 200);
    EXPECT_EQ(editor.host().clientRect().height(), 120);

    EXPECT_FALSE(editor.host().isVisible());
    ASSERT_TRUE(editor.window->show(true, true, true));
    EXPECT_TRUE(editor.host().isVisible());

    // The host learns a new size from WM_SIZE.
    SetWindowPos(child, nullptr, 0, 0, 150, 90, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(editor.host().clientRect().width(), 150);
    EXPECT_EQ(editor.host().clientRect().height(), 90);
}

TEST_F(Win32WindowHostTest, AttachFailsWithoutAParentAndGivesTheClassBack) {
    TestEditor editor(app);
    EXPECT_FALSE(editor.window->attach(nullptr));  // a child window needs a parent
    EXPECT_EQ(Win32WindowHost::classUseCount(), 0);
    EXPECT_FALSE(classRegistered());
}

TEST_F(Win32WindowHostTest, DestroyingTheParentClearsTheHostsLink) {
    TestEditor editor(app);
    ParentWindow other;
    ASSERT_TRUE(editor.window->attach(other.handle));
    DestroyWindow(other.handle);  // the host closes its window before the editor
    other.handle = nullptr;
    EXPECT_FALSE(editor.host().isAttached());
    EXPECT_FALSE(editor.window->close());
    EXPECT_EQ(Win32WindowHost::classUseCount(), 0);
}

TEST_F(Win32WindowHostTest, MouseMovesWithoutTheButtonDeliverNothing) {
    TestEditor editor(app);
    ASSERT_TRUE(editor.window->attach(parent.handle) && editor.window->show(true, true, true));
    SendMessageW(editor.child(), WM_MOUSEMOVE, 0, point(20, 10));
    SendMessageW(editor.child(), WM_MOUSEMOVE, 0, point(30, 15));
    EXPECT_TRUE(editor.control->steps.empty());
    EXPECT_FALSE(editor.host().isCaptured());
}

TEST_F(Win32WindowHostTest, PressCapturesTheMouseAndMovesOutsideStillArrive) {
    TestEditor editor(app);
    ASSERT_TRUE(editor.window->attach(parent.handle) && editor.window->show(true, true, true));
    const HWND child = editor.child();

    SendMessageW(child, WM_LBUTTONDOWN, MK_LBUTTON, point(20, 10));
    EXPECT_EQ(GetCapture(), child);
    EXPECT_TRUE(editor.host().isCaptured());
    ASSERT_EQ(editor.control->steps.size(), 1u);
    EXPECT_EQ(editor.control->steps[0].x, 20.0f);
    EXPECT_EQ(editor.control->steps[0].y, 10.0f);

    // Outside the client area: the coordinates are negative or beyond its size.
    SendMessageW(child, WM_MOUSEMOVE, MK_LBUTTON, point(-30, 300));
    ASSERT_EQ(editor.control->steps.size(), 2u);
    EXPECT_EQ(editor.control->steps[1].x, -30.0f);
    EXPECT_EQ(editor.control->steps[1].y, 300.0f);

    SendMessageW(child, WM_LBUTTONUP, 0, point(-30, 300));
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_FALSE(editor.host().isCaptured());
    EXPECT_EQ(editor.control->releases, 1);
    const size_t afterRelease = editor.control->steps.size();

    SendMessageW(child, WM_MOUSEMOVE, 0, point(25, 12));
    EXPECT_EQ(editor.control->steps.size(), afterRelease);
}

TEST_F(Win32WindowHostTest, DoubleClickIsAPress) {
    TestEditor editor(app);
    ASSERT_TRUE(editor.window->attach(parent.handle) && editor.window->show(true, true, true));
    SendMessageW(editor.child(), WM_LBUTTONDBLCLK, MK_LBUTTON, point(40, 30));
    EXPECT_EQ(GetCapture(), editor.child());
    ASSERT_EQ(editor.control->steps.size(), 1u);
    EXPECT_EQ(editor.control->steps[0].x, 40.0f);
    SendMessageW(editor.child(), WM_LBUTTONUP, 0, point(40, 30));
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Win32WindowHostTest, ModifiersComeFromTheKeyboardStateAtTheMessage) {
    TestEditor editor(app);
    ASSERT_TRUE(editor.window->attach(parent.handle) && editor.window->show(true, true, true));
    BYTE saved[256] = {};
    ASSERT_TRUE(GetKeyboardState(saved));

    struct Case {
        int key;
        int32_t expected;
    };
    // Shift bit 0, Ctrl bit 1, Alt bits 0 and 1; none gives 0.
    for (const Case c : {Case{0, 0}, Case{VK_SHIFT, 1}, Case{VK_CONTROL, 2}, Case{VK_MENU, 3}}) {
        BYTE keys[256] = {};
        if (c.key != 0) {
            keys[c.key] = 0x80;  // high bit: held down
        }
        ASSERT_TRUE(SetKeyboardState(keys));
        editor.control->steps.clear();
        SendMessageW(editor.child(), WM_LBUTTONDOWN, MK_LBUTTON, point(5, 5));
        SendMessageW(editor.child(), WM_LBUTTONUP, 0, point(5, 5));
        ASSERT_FALSE(editor.control->steps.empty());
        EXPECT_EQ(editor.control->steps[0].modifiers, c.expected) << "key " << c.key;
    }
    SetKeyboardState(saved);
}

// A window that records the last message it was sent and answers 77.
LRESULT CALLBACK recordingProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND || message == WM_CTLCOLORSTATIC) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, static_cast<LONG_PTR>(message) << 16 | wParam);
        return 77;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST_F(Win32WindowHostTest, CommandAndColourMessagesGoOnToTheNamedChild) {
    TestEditor editor(app);
    ASSERT_TRUE(editor.window->attach(parent.handle));
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = recordingProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"OrvaneTestRecorder";
    RegisterClassW(&windowClass);
    const HWND target =
        CreateWindowExW(0, L"OrvaneTestRecorder", L"", WS_CHILD, 0, 0, 10, 10, editor.child(),
                        nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(target, nullptr);

    // Identifier 7, notification code 3.
    const LRESULT command = SendMessageW(editor.child(), WM_COMMAND, MAKEWPARAM(7, 3),
                                         reinterpret_cast<LPARAM>(target));
    EXPECT_EQ(command, 77);
    EXPECT_EQ(GetWindowLongPtrW(target, GWLP_USERDATA),
              static_cast<LONG_PTR>(WM_COMMAND) << 16 | MAKEWPARAM(7, 3));

    const LRESULT colour =
        SendMessageW(editor.child(), WM_CTLCOLORSTATIC, 0x55, reinterpret_cast<LPARAM>(target));
    EXPECT_EQ(colour, 77);
    EXPECT_EQ(GetWindowLongPtrW(target, GWLP_USERDATA),
              static_cast<LONG_PTR>(WM_CTLCOLORSTATIC) << 16 | 0x55);
    DestroyWindow(target);
}

COLORREF windowPixel(HWND window, int x, int y) {
    HDC context = GetDC(window);
    const COLORREF pixel = GetPixel(context, x, y);
    ReleaseDC(window, context);
    return pixel;
}

TEST_F(Win32WindowHostTest, PaintingCopiesTheUpdateRectangleFromTheSharedBuffer) {
    TestEditor editor(app);
    ASSERT_TRUE(editor.window->attach(parent.handle) && editor.window->show(true, true, true));
    idle(editor);
    EXPECT_EQ(editor.solid->draws, 1);
    // Colour{blue 10, green 40, red 200}.
    EXPECT_EQ(windowPixel(editor.child(), 150, 100), RGB(200, 40, 10));
    EXPECT_EQ(windowPixel(editor.child(), 0, 0), RGB(200, 40, 10));

    // Only the damaged corner reaches the window.
    editor.solid->colour = Colour{250, 0, 0, 255};
    editor.window->invalidateRect(PixelRect{0, 0, 16, 8});
    idle(editor);
    EXPECT_EQ(editor.solid->draws, 2);
    EXPECT_EQ(windowPixel(editor.child(), 15, 7), RGB(0, 0, 250));
    EXPECT_EQ(windowPixel(editor.child(), 16, 7), RGB(200, 40, 10));
    EXPECT_EQ(windowPixel(editor.child(), 15, 8), RGB(200, 40, 10));

    // The shared buffer is a DIB section whose bits are the image's pixels.
    Image* buffer = app.offscreenBuffer(1, 1);
    ASSERT_NE(buffer, nullptr);
    DIBSECTION section{};
    ASSERT_EQ(
        GetObjectW(reinterpret_cast<HBITMAP>(buffer->surfaceHandle()), sizeof section, &section),
        static_cast<int>(sizeof section));
    EXPECT_EQ(section.dsBm.bmBits, buffer->pixels());
    EXPECT_EQ(section.dsBm.bmBitsPixel, 32);
}

TEST_F(Win32WindowHostTest, APaintRequestWithAnEmptyUpdateRegionDrawsNothing) {
    TestEditor editor(app);
    ASSERT_TRUE(editor.window->attach(parent.handle) && editor.window->show(true, true, true));
    idle(editor);
    const int drawn = editor.solid->draws;
    ValidateRect(editor.child(), nullptr);
    SendMessageW(editor.child(), WM_PAINT, 0, 0);
    EXPECT_EQ(editor.solid->draws, drawn);
    // With nothing damaged the idle step paints nothing either.
    idle(editor);
    EXPECT_EQ(editor.solid->draws, drawn);
}

}  // namespace
