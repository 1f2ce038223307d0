#include <gtest/gtest.h>
#include <windows.h>

#include <cerrno>
#include <string>

#include "EditorEvent.h"
#include "ExternalResources.h"
#include "GSysMemoryException.h"
#include "GSystemException.h"
#include "Win32TestWindows.h"

namespace {

TEST(Win32EditorSystem, LastErrorMessageTimeClientSizeAndModuleListing) {
    // Out of memory as the thread's last error, while errno holds an unrelated code.
    SetLastError(ERROR_OUTOFMEMORY);
    errno = EACCES;
    EXPECT_THROW(GSystemException::raiseLastError(), GSysMemoryException);

    PostThreadMessageW(GetCurrentThreadId(), WM_APP, 0, 0);
    MSG message{};
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_APP, WM_APP, PM_REMOVE));
    ASSERT_NE(message.time, 0u);
    EXPECT_EQ(EditorEvent::stamped(EditorEvent::kIdle).time, static_cast<int32_t>(message.time));

    ParentWindow parent;
    Application app{testDescriptor()};
    WindowView window(app, ControlDescriptor(0, 10, 20, 200, 120, 1, 1));
    ASSERT_TRUE(window.attach(parent.handle));
    SetWindowPos(reinterpret_cast<HWND>(window.host()->nativeHandle()), nullptr, 0, 0, 150, 90,
                 SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(window.rect().width(), 150.0f);
    EXPECT_EQ(window.rect().height(), 90.0f);
    window.close();

    // ResCase: one module as B_Res.dll and a_res.DLL, listed without regard to case.
    const std::string path = ModuleInstance::path();
    const std::string folder = path.substr(0, path.find_last_of('\\') + 1) + "ResCase/";
    ExternalResources externals;
    ASSERT_EQ(externals.load(folder), 2u);
    EXPECT_EQ(externals.modulePath(0), folder + "a_res.DLL");
    EXPECT_EQ(externals.modulePath(1), folder + "B_Res.dll");
}

}  // namespace
