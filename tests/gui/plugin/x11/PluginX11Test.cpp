#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <functional>
#include <vector>

#include "EmbeddedResources.h"
#include "Image.h"
#include "ImageTable.h"
#include "vst2/Vst2Abi.h"

// Last: Xlib's macros (None, Bool, Status) would clash with the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace {

std::vector<std::pair<int32_t, float>> automations;

intptr_t hostCallback(vst2::AEffect*, int32_t opcode, int32_t index, intptr_t, void*, float opt) {
    if (opcode == vst2::audioMasterAutomate) {
        automations.emplace_back(index, opt);
    }
    return opcode == vst2::audioMasterVersion ? 2400 : 0;
}

// A host as a Linux DAW is one, on the virtual X server the test runs in (xvfb-run): it loads
// the built module with dlopen, makes the effect through VSTPluginMain, passes its own top-level
// window at (50, 40) to effEditOpen and calls effEditIdle while it waits.
class HostedModule : public ::testing::Test {
protected:
    intptr_t dispatch(int32_t opcode, void* ptr = nullptr) {
        return effect->dispatcher(effect, opcode, 0, 0, ptr, 0.0f);
    }
    // effEditIdle until the condition holds (by default up to two seconds of 5 ms naps).
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

    vst2::AEffect* effect = nullptr;
    Display* host = nullptr;
    Window parent = 0;
};

}  // namespace

TEST_F(HostedModule, EditorShowsTheBackgroundAndAutomatesDrags) {
    void* library = dlopen(ORVANE_PLUGIN_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    using Entry = vst2::AEffect* (*)(vst2::audioMasterCallback);
    effect = reinterpret_cast<Entry>(dlsym(library, "VSTPluginMain"))(hostCallback);
    ASSERT_NE(effect, nullptr);
    host = XOpenDisplay(nullptr);
    ASSERT_NE(host, nullptr);
    parent = XCreateSimpleWindow(host, DefaultRootWindow(host), 50, 40, 700, 300, 0, 0, 0);
    XMapWindow(host, parent);
    XSync(host, False);
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
    EXPECT_EQ(screenPixel(650, 250), (std::array<int, 3>{0, 0, 0}));

    // A press on the Decay knob's centre (54, 173), then 39 pixels up: 50 + 50 * 0.40599 =
    // 70.3 -> 70; the pointer is grabbed: above the host's window the drag goes on to 100.
    mouse(54, 173, True);
    mouse(54, 134, -1);
    mouse(54, -30, False);
    ASSERT_TRUE(idleUntil([&] { return automations.size() > 1; }));
    EXPECT_EQ(automations, (std::vector<std::pair<int32_t, float>>{{1, 0.7f}, {1, 1.0f}}));
    dispatch(vst2::effEditClose);
    dispatch(vst2::effClose);
    XCloseDisplay(host);
    dlclose(library);
}
