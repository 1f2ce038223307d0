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

std::vector<std::pair<int32_t, float>> automations;

intptr_t hostCallback(vst2::AEffect*, int32_t opcode, int32_t index, intptr_t, void*, float opt) {
    if (opcode == vst2::audioMasterAutomate) {
        automations.emplace_back(index, opt);
    }
    return opcode == vst2::audioMasterVersion ? 2400 : 0;
}

// A plug-in made through the entry point and driven through its effect record, its editor open
// on an off-screen display (the framework is process-wide: one display for the program).
struct HostedPlugin : ::testing::Test {
    void SetUp() override {
        static OffscreenDisplay* shared = [] {
            auto* d = new OffscreenDisplay();  // outlives the framework's application object
            FrameworkStartup::run();
            FrameworkStartup::application()->setWindowHostFactory(d->factory());
            return d;
        }();
        display = shared;
        automations.clear();
        effect = PianoPlugin::createEffect(hostCallback);
        static char parent = 0;
        ASSERT_EQ(dispatch(vst2::effEditOpen, 0, &parent), 1);
        dispatch(vst2::effEditIdle);
    }
    void TearDown() override {
        dispatch(vst2::effEditClose);
        dispatch(vst2::effClose);
    }
    intptr_t dispatch(int32_t opcode, intptr_t value = 0, void* ptr = nullptr) {
        return effect->dispatcher(effect, opcode, 0, value, ptr, 0.0f);
    }
    int32_t knob(int32_t entry) {
        auto* plugin = static_cast<PianoPlugin*>(effect->object);
        return plugin->engineModule().editor()->control(entry)->value();
    }

    OffscreenDisplay* display = nullptr;
    vst2::AEffect* effect = nullptr;
};

}  // namespace

TEST_F(HostedPlugin, TurningAKnobAutomatesItsParameterOnce) {
    EXPECT_NE(effect->flags & vst2::effFlagsHasEditor, 0);
    vst2::ERect* rect = nullptr;
    ASSERT_EQ(dispatch(vst2::effEditGetRect, 0, &rect), 1);
    EXPECT_EQ((std::vector<int>{rect->top, rect->left, rect->bottom, rect->right}),
              (std::vector<int>{0, 0, 246, 600}));
    // The Voices knob's centre is window (449.5, 62.5): half a pixel above keeps step 19,
    // 20.5 pixels above: 19 + 53 * 20.5 * 0.01041 = 30.31 -> step 30 of 72.
    display->attachedHost()->pressButton(449, 62);
    display->attachedHost()->moveMouse(449, 42);
    display->attachedHost()->releaseButton(449, 42);
    EXPECT_EQ(automations, (std::vector<std::pair<int32_t, float>>{{6, 30.0f / 72.0f}}));
    EXPECT_FLOAT_EQ(effect->getParameter(effect, 6), 30.0f / 72.0f);
}

TEST_F(HostedPlugin, HostChangesAndChunksMoveTheKnobsAtTheNextIdle) {
    effect->setParameter(effect, 2, 0.7f);  // 0.69999999: the nearest of 100 steps is 70
    EXPECT_EQ(knob(2), 50);
    dispatch(vst2::effEditIdle);
    EXPECT_EQ(knob(2), 70);
    void* chunk = nullptr;
    ASSERT_EQ(dispatch(vst2::effGetChunk, 0, &chunk), 68);
    std::vector<uint8_t> saved(static_cast<uint8_t*>(chunk), static_cast<uint8_t*>(chunk) + 68);
    effect->setParameter(effect, 2, 0.1f);
    dispatch(vst2::effEditIdle);
    EXPECT_EQ(knob(2), 10);
    dispatch(vst2::effSetChunk, 68, saved.data());
    EXPECT_EQ(knob(2), 10);
    dispatch(vst2::effEditIdle);
    EXPECT_EQ(knob(2), 70);
    EXPECT_TRUE(automations.empty());
}
