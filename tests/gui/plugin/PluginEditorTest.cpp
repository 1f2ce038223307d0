#include <gtest/gtest.h>

#include <vector>

#include "Application.h"
#include "Control.h"
#include "FrameworkStartup.h"
#include "ModuleEditor.h"
#include "OffscreenDisplay.h"
#include "OffscreenWindowHost.h"
#include "PianoModule.h"
#include "PianoPlugin.h"
#include "vst2/Vst2Abi.h"

namespace {

struct Automation {
    int32_t index;
    float value;
};
std::vector<Automation> automations;

intptr_t hostCallback(vst2::AEffect*, int32_t opcode, int32_t index, intptr_t, void*, float opt) {
    if (opcode == vst2::audioMasterAutomate) {
        automations.push_back({index, opt});
    }
    return opcode == vst2::audioMasterVersion ? 2400 : 0;
}

// The framework is process-wide: every editor of this program opens on one off-screen display.
OffscreenDisplay& display() {
    static OffscreenDisplay* shared = [] {
        auto* d = new OffscreenDisplay();  // outlives the framework's application object
        FrameworkStartup::run();
        FrameworkStartup::application()->setWindowHostFactory(d->factory());
        return d;
    }();
    return *shared;
}

// A plug-in made through the entry point, driven through its effect record.
struct HostedPlugin : ::testing::Test {
    void SetUp() override {
        display();
        automations.clear();
        effect = PianoPlugin::createEffect(hostCallback);
        ASSERT_NE(effect, nullptr);
        plugin = static_cast<PianoPlugin*>(effect->object);
    }
    void TearDown() override {
        if (effect != nullptr) {
            dispatch(vst2::effClose);
        }
    }
    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr) {
        return effect->dispatcher(effect, opcode, index, value, ptr, 0.0f);
    }
    bool openEditor() { return dispatch(vst2::effEditOpen, 0, 0, &parentWindow) == 1; }
    Control* control(int32_t entry) {
        ModuleEditor* editor = plugin->engineModule().editor();
        return editor != nullptr ? editor->control(entry) : nullptr;
    }
    OffscreenWindowHost& host() { return *display().attachedHost(); }

    vst2::AEffect* effect = nullptr;
    PianoPlugin* plugin = nullptr;
    char parentWindow = 0;
};

}  // namespace

TEST_F(HostedPlugin, HasAnEditorWithTheFixedRectangle) {
    EXPECT_NE(effect->flags & vst2::effFlagsHasEditor, 0);
    EXPECT_EQ(dispatch(vst2::effEditGetRect, 0, 0, nullptr), 0);
    vst2::ERect* rect = nullptr;
    ASSERT_EQ(dispatch(vst2::effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 246);
    EXPECT_EQ(rect->right, 600);
}

TEST_F(HostedPlugin, OpenCloseAndReopen) {
    EXPECT_EQ(dispatch(vst2::effEditOpen, 0, 0, nullptr), 0);
    dispatch(vst2::effEditIdle);  // no window: nothing happens
    ASSERT_TRUE(openEditor());
    ASSERT_TRUE(openEditor());
    EXPECT_EQ(display().hosts().size(), 1u);
    dispatch(vst2::effEditClose);
    EXPECT_EQ(display().hosts().size(), 0u);
    dispatch(vst2::effEditIdle);
    ASSERT_TRUE(openEditor());
    EXPECT_EQ(display().hosts().size(), 1u);
    dispatch(vst2::effEditIdle);
    EXPECT_GT(host().presentCount(), 0);
    dispatch(vst2::effEditClose);
}

TEST_F(HostedPlugin, TurningVoicesReportsOnceAndUpdatesItsDisplayAtOnce) {
    ASSERT_TRUE(openEditor());
    dispatch(vst2::effEditIdle);
    ASSERT_EQ(control(11)->model().text, "20");  // Voices step 19 reads 20
    // The Voices knob's centre is window (449.5, 62.5): half a pixel above keeps 19, then
    // 20.5 pixels above: 19 + 53 * 20.5 * 0.01041 = 30.31 -> step 30, which reads 31.
    host().pressButton(449, 62);
    EXPECT_TRUE(automations.empty());
    host().moveMouse(449, 42);
    EXPECT_EQ(control(9)->value(), 30);
    EXPECT_EQ(control(11)->model().text, "31");
    ASSERT_EQ(automations.size(), 1u);
    EXPECT_EQ(automations[0].index, 6);
    EXPECT_FLOAT_EQ(automations[0].value, 30.0f / 72.0f);
    EXPECT_FLOAT_EQ(effect->getParameter(effect, 6), 30.0f / 72.0f);
    host().releaseButton(449, 42);
    EXPECT_EQ(automations.size(), 1u);
    dispatch(vst2::effEditClose);
}

TEST_F(HostedPlugin, AKnobMovedToTheParametersValueSendsNothing) {
    ASSERT_TRUE(openEditor());
    dispatch(vst2::effEditIdle);
    // The host sets Decay to step 70; the knob still shows 50 until the next idle.
    effect->setParameter(effect, 1, 0.7f);
    ASSERT_EQ(control(1)->value(), 50);
    // Dragging the knob from 50 to 70 (39 pixels up) lands on the parameter's own step.
    host().pressButton(54, 173);
    host().moveMouse(54, 134);
    EXPECT_EQ(control(1)->value(), 70);
    host().releaseButton(54, 134);
    EXPECT_TRUE(automations.empty());
    dispatch(vst2::effEditClose);
}

TEST_F(HostedPlugin, HostChangesMoveTheKnobOnlyAtTheNextIdle) {
    ASSERT_TRUE(openEditor());
    dispatch(vst2::effEditIdle);
    ASSERT_EQ(control(2)->value(), 50);
    effect->setParameter(effect, 2, 0.8f);
    EXPECT_EQ(control(2)->value(), 50);
    dispatch(vst2::effEditIdle);
    EXPECT_EQ(control(2)->value(), 80);
    // A chunk load posts the same refresh.
    void* chunk = nullptr;
    const intptr_t size = dispatch(vst2::effGetChunk, 0, 0, &chunk);
    ASSERT_EQ(size, 68);
    std::vector<uint8_t> saved(static_cast<uint8_t*>(chunk), static_cast<uint8_t*>(chunk) + 68);
    effect->setParameter(effect, 2, 0.1f);
    dispatch(vst2::effEditIdle);
    EXPECT_EQ(control(2)->value(), 10);
    dispatch(vst2::effSetChunk, 0, 68, saved.data());
    EXPECT_EQ(control(2)->value(), 10);
    dispatch(vst2::effEditIdle);
    EXPECT_EQ(control(2)->value(), 80);
    EXPECT_TRUE(automations.empty());
    dispatch(vst2::effEditClose);
}
