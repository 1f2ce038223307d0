// The entry point's work in this process: the version check, the framework start-up that runs
// once, and a plug-in object whose record is handed back.
#include <gtest/gtest.h>

#include "FrameworkStartup.h"
#include "PianoPlugin.h"

namespace {

using namespace vst2;

intptr_t modernHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

intptr_t oldHost(AEffect*, int32_t, int32_t, intptr_t, void*, float) {
    return 0;
}

TEST(FrameworkStartup, EntryRecordsTheApplicationOnce) {
    EXPECT_EQ(PianoPlugin::createEffect(oldHost), nullptr);
    EXPECT_EQ(PianoPlugin::createEffect(nullptr), nullptr);

    AEffect* first = PianoPlugin::createEffect(modernHost);
    ASSERT_NE(first, nullptr);
    const FrameworkStartup& startup = FrameworkStartup::instance();
    EXPECT_TRUE(startup.started());
    EXPECT_EQ(startup.applicationName(), "Corvale2_VST");
    EXPECT_EQ(startup.resourceSuffix(), "Res");
    EXPECT_NE(startup.moduleHandle(), nullptr);
    EXPECT_FALSE(startup.modulePath().empty());
    void* const handle = startup.moduleHandle();

    AEffect* second = PianoPlugin::createEffect(modernHost);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_EQ(FrameworkStartup::instance().moduleHandle(), handle);
    EXPECT_TRUE(FrameworkStartup::run());

    EXPECT_EQ(first->dispatcher(first, effSetBlockSize, 0, 333, nullptr, 0.0f), 0);
    EXPECT_EQ(static_cast<AudioEffect*>(first->object)->getBlockSize(), 333);
    EXPECT_EQ(first->dispatcher(first, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(second->dispatcher(second, effClose, 0, 0, nullptr, 0.0f), 1);
}

}  // namespace
