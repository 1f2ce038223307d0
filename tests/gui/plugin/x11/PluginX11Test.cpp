#include <dlfcn.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "EmbeddedResources.h"
#include "Image.h"
#include "ImageTable.h"
#include "vst2/Vst2Abi.h"

// Last: Xlib's macros (None, Bool, Status) would clash with the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

std::vector<std::pair<int32_t, float>> automations;

intptr_t hostCallback(vst2::AEffect*, int32_t opcode, int32_t index, intptr_t, void*, float opt) {
    if (opcode == vst2::audioMasterAutomate) {
        automations.emplace_back(index, opt);
    }
    return opcode == vst2::audioMasterVersion ? 2400 : 0;
}

// A host as a Linux DAW is one, on a virtual X server of its own (Xvfb writes its display
// number to a pipe once it accepts connections): it loads the built module with dlopen, makes
// the effect through VSTPluginMain, passes its own top-level window at (50, 40) to effEditOpen
// and calls effEditIdle while it waits.
class HostedModule : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        int fds[2];
        if (pipe(fds) != 0 || (server = fork()) < 0) {
            return;
        }
        if (server == 0) {
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24",
                   "-nolisten", "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        pollfd wait{fds[0], POLLIN, 0};
        std::string number;
        char c = 0;
        while (poll(&wait, 1, 20000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') {
            number.push_back(c);
        }
        close(fds[0]);
        displayName = ":" + number;
        setenv("DISPLAY", displayName.c_str(), 1);
    }
    static void TearDownTestSuite() {
        if (server > 0) {
            kill(server, SIGTERM);
            waitpid(server, nullptr, 0);
        }
    }

    void SetUp() override {
        if (displayName.size() < 2) {
            GTEST_SKIP() << "Xvfb is not available";
        }
        library = dlopen(ORVANE_PLUGIN_MODULE, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        using Entry = vst2::AEffect* (*)(vst2::audioMasterCallback);
        effect = reinterpret_cast<Entry>(dlsym(library, "VSTPluginMain"))(hostCallback);
        ASSERT_NE(effect, nullptr);
        host = XOpenDisplay(displayName.c_str());
        ASSERT_NE(host, nullptr);
        parent = XCreateSimpleWindow(host, DefaultRootWindow(host), 50, 40, 700, 300, 0, 0, 0);
        XMapWindow(host, parent);
        XSync(host, False);
    }
    void TearDown() override {
        if (effect != nullptr) {
            dispatch(vst2::effEditClose);
            dispatch(vst2::effClose);
        }
        if (host != nullptr) {
            XDestroyWindow(host, parent);
            XCloseDisplay(host);
        }
        if (library != nullptr) {
            dlclose(library);
        }
    }

    intptr_t dispatch(int32_t opcode, void* ptr = nullptr) {
        return effect->dispatcher(effect, opcode, 0, 0, ptr, 0.0f);
    }
    // effEditIdle until the condition holds (by default up to two seconds of 5 ms naps for the
    // server).
    bool idleUntil(const std::function<bool()>& condition, int tries = 400) {
        for (int i = 0; i < tries && !condition(); ++i) {
            dispatch(vst2::effEditIdle);
            XSync(host, False);
            usleep(5000);
        }
        return condition();
    }
    // Blue, green, red of the screen at (x, y) of the host's window.
    std::array<int, 3> screenPixel(int x, int y) {
        XImage* image = XGetImage(host, parent, x, y, 1, 1, AllPlanes, ZPixmap);
        const unsigned long p = XGetPixel(image, 0, 0);
        XDestroyImage(image);
        return {static_cast<int>(p & 0xFF), static_cast<int>((p >> 8) & 0xFF),
                static_cast<int>((p >> 16) & 0xFF)};
    }
    // Moves the pointer to (x, y) of the host's window, then presses or releases the button
    // (True, False; -1 for neither), and idles for 50 ms: the editor sees it in that time.
    void mouse(int x, int y, int button) {
        Window child = 0;
        XTranslateCoordinates(host, parent, DefaultRootWindow(host), x, y, &x, &y, &child);
        XTestFakeMotionEvent(host, -1, x, y, CurrentTime);
        if (button >= 0) {
            XTestFakeButtonEvent(host, 1, button, CurrentTime);
        }
        XSync(host, False);
        idleUntil([] { return false; }, 10);
    }

    static inline pid_t server = -1;
    static inline std::string displayName;
    void* library = nullptr;
    vst2::AEffect* effect = nullptr;
    Display* host = nullptr;
    Window parent = 0;
};

}  // namespace

TEST_F(HostedModule, EditorShowsTheBackgroundAndAutomatesDrags) {
    EXPECT_EQ(dispatch(vst2::effEditOpen, reinterpret_cast<void*>(uintptr_t{0x3FFFFF})), 0);
    ASSERT_EQ(dispatch(vst2::effEditOpen, reinterpret_cast<void*>(uintptr_t{parent})), 1);
    // Away from every control the screen holds the background's exact colours; beside the
    // 600 x 246 editor the parent's own black remains.
    auto background = ImageTable::decode(EmbeddedResources::background().data(),
                                         EmbeddedResources::background().size(), false);
    ASSERT_TRUE(background);
    auto expected = [&](int x, int y) {
        const uint8_t* p = background->pixelAddress(x, y);
        return std::array<int, 3>{p[0], p[1], p[2]};
    };
    ASSERT_TRUE(idleUntil([&] { return screenPixel(300, 100) == expected(300, 100); }));
    for (const auto& p : {std::array<int, 2>{5, 5}, {599, 245}, {120, 20}, {420, 230}}) {
        EXPECT_EQ(screenPixel(p[0], p[1]), expected(p[0], p[1])) << p[0] << "," << p[1];
    }
    EXPECT_EQ(screenPixel(650, 100), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(screenPixel(300, 250), (std::array<int, 3>{0, 0, 0}));

    // A press on the Decay knob's centre (54, 173), then 39 pixels up: 50 + 50 * 0.40599 =
    // 70.3 -> 70. Then with Shift from 50, 50 pixels up in fine mode: 50 + 50 * 50 / 200 = 62.
    mouse(54, 173, True);
    mouse(54, 134, -1);
    ASSERT_TRUE(idleUntil([&] { return !automations.empty(); }));
    mouse(54, 134, False);
    effect->setParameter(effect, 1, 0.5f);
    dispatch(vst2::effEditIdle);
    const KeyCode shift = XKeysymToKeycode(host, XK_Shift_L);
    XTestFakeKeyEvent(host, shift, True, CurrentTime);
    mouse(54, 173, True);
    mouse(54, 123, -1);
    ASSERT_TRUE(idleUntil([&] { return automations.size() > 1; }));
    mouse(54, 123, False);
    XTestFakeKeyEvent(host, shift, False, CurrentTime);
    XSync(host, False);
    EXPECT_EQ(automations, (std::vector<std::pair<int32_t, float>>{{1, 0.7f}, {1, 0.62f}}));
    EXPECT_FLOAT_EQ(effect->getParameter(effect, 1), 0.62f);
}
