#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "../../x11/XvfbServer.h"
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

// A host as a Linux DAW is one: it loads the built module with dlopen, makes the effect
// through VSTPluginMain, owns a top-level X11 window at (50, 40) on its own connection and
// passes that window's id to effEditOpen; it calls effEditIdle while the editor is open.
class HostedModule : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = new XvfbServer(); }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }

    void SetUp() override {
        if (server == nullptr || !server->isRunning()) {
            GTEST_SKIP() << "Xvfb is not available";
        }
        automations.clear();
        library = dlopen(ORVANE_PLUGIN_MODULE, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        using Entry = vst2::AEffect* (*)(vst2::audioMasterCallback);
        auto entry = reinterpret_cast<Entry>(dlsym(library, "VSTPluginMain"));
        ASSERT_NE(entry, nullptr);
        effect = entry(hostCallback);
        ASSERT_NE(effect, nullptr);
        host = XOpenDisplay(server->name().c_str());
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

    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr) {
        return effect->dispatcher(effect, opcode, index, value, ptr, 0.0f);
    }
    intptr_t openEditor() {
        return dispatch(vst2::effEditOpen, 0, 0,
                        reinterpret_cast<void*>(static_cast<uintptr_t>(parent)));
    }
    // effEditIdle until the condition holds (up to two seconds of 5 ms naps for the server).
    bool idleUntil(const std::function<bool()>& condition) {
        for (int i = 0; i < 400; ++i) {
            dispatch(vst2::effEditIdle);
            if (condition()) {
                return true;
            }
            XSync(host, False);
            usleep(5000);
        }
        return false;
    }
    std::array<int, 3> screenPixel(int x, int y) {
        XImage* image = XGetImage(host, parent, x, y, 1, 1, AllPlanes, ZPixmap);
        if (image == nullptr) {
            return {-1, -1, -1};
        }
        const unsigned long p = XGetPixel(image, 0, 0);
        XDestroyImage(image);
        return {static_cast<int>(p & 0xFF), static_cast<int>((p >> 8) & 0xFF),
                static_cast<int>((p >> 16) & 0xFF)};
    }
    unsigned childCount() {
        Window root = 0;
        Window up = 0;
        Window* list = nullptr;
        unsigned int count = 0;
        XQueryTree(host, parent, &root, &up, &list, &count);
        if (list != nullptr) {
            XFree(list);
        }
        return count;
    }
    void fakeMove(int x, int y) {
        int rx = 0;
        int ry = 0;
        Window child = 0;
        XTranslateCoordinates(host, parent, DefaultRootWindow(host), x, y, &rx, &ry, &child);
        XTestFakeMotionEvent(host, -1, rx, ry, CurrentTime);
        XFlush(host);
    }
    void fakeButton(bool press) {
        XTestFakeButtonEvent(host, 1, press ? True : False, CurrentTime);
        XFlush(host);
    }

    static XvfbServer* server;
    void* library = nullptr;
    vst2::AEffect* effect = nullptr;
    Display* host = nullptr;
    Window parent = 0;
};

XvfbServer* HostedModule::server = nullptr;

}  // namespace

TEST_F(HostedModule, ExportsTheResourceTable) {
    struct Entry {
        const char* name;
        const void* record;
    };
    const auto* table = static_cast<const Entry*>(dlsym(library, "ResMap"));
    ASSERT_NE(table, nullptr);
    EXPECT_STREQ(table[0].name, "qorin_back");
    EXPECT_STREQ(table[3].name, "u004004t");
    // The count follows the four entries.
    EXPECT_EQ(*reinterpret_cast<const int32_t*>(table + 4), 4);
}

TEST_F(HostedModule, EditorShowsTheBackgroundOnScreen) {
    ASSERT_NE(effect->flags & vst2::effFlagsHasEditor, 0);
    ASSERT_EQ(openEditor(), 1);
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
}

TEST_F(HostedModule, DraggingDecayAutomatesParameterOne) {
    ASSERT_EQ(openEditor(), 1);
    ASSERT_TRUE(idleUntil([&] { return screenPixel(5, 5) != std::array<int, 3>{0, 0, 0}; }));
    ASSERT_FLOAT_EQ(effect->getParameter(effect, 1), 0.5f);
    // Press on the Decay knob's centre, then 39 pixels up: 50 + 50 * 0.40599 = 70.3 -> 70.
    fakeMove(54, 173);
    fakeButton(true);
    fakeMove(54, 134);
    ASSERT_TRUE(idleUntil([&] { return !automations.empty(); }));
    fakeButton(false);
    ASSERT_TRUE(idleUntil([&] { return effect->getParameter(effect, 1) == 0.7f; }));
    ASSERT_EQ(automations.size(), 1u);
    EXPECT_EQ(automations[0].first, 1);
    EXPECT_FLOAT_EQ(automations[0].second, 0.7f);
}

TEST_F(HostedModule, OpeningTwiceLeavesOneWindowAndReopeningWorks) {
    ASSERT_EQ(openEditor(), 1);
    ASSERT_EQ(openEditor(), 1);
    XSync(host, False);
    EXPECT_EQ(childCount(), 1u);
    dispatch(vst2::effEditClose);
    XSync(host, False);
    EXPECT_EQ(childCount(), 0u);
    ASSERT_EQ(openEditor(), 1);
    XSync(host, False);
    EXPECT_EQ(childCount(), 1u);
    ASSERT_TRUE(idleUntil([&] { return screenPixel(5, 5) != std::array<int, 3>{0, 0, 0}; }));
}

TEST_F(HostedModule, WithoutADisplayTheEditorFailsAndThePluginKeepsWorking) {
    EXPECT_EQ(dispatch(vst2::effEditOpen, 0, 0, reinterpret_cast<void*>(uintptr_t{0x3FFFFF})), 0);
    const std::string saved = server->name();
    setenv("DISPLAY", ":2999", 1);
    EXPECT_EQ(openEditor(), 0);
    setenv("DISPLAY", saved.c_str(), 1);
    dispatch(vst2::effEditIdle);
    // Audio still renders.
    std::vector<float> left(64, 1.0f);
    std::vector<float> right(64, 1.0f);
    float* outputs[2] = {left.data(), right.data()};
    effect->processReplacing(effect, nullptr, outputs, 64);
    // Silence without notes: only the units' 1e-7 anti-denormal offset, filtered, remains.
    EXPECT_LT(std::fabs(left[10]), 1e-6f);
    EXPECT_LT(std::fabs(right[10]), 1e-6f);
    effect->setParameter(effect, 2, 0.25f);
    EXPECT_FLOAT_EQ(effect->getParameter(effect, 2), 0.25f);
}
