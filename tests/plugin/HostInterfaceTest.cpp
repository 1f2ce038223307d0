// The built module as a host sees it: entry points, the effect record and every row of the
// dispatcher's table, driven only through the record.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "TestHost.h"

namespace {

using namespace vst2;

class HostInterface : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.loaded()) << ORVANE_PLUGIN_PATH;
        ASSERT_NE(host.open(), nullptr);
    }

    TestHost host;
};

TEST(HostEntry, BothEntryPointsCreateAnEffect) {
    TestHost host;
    ASSERT_TRUE(host.loaded());
    ASSERT_NE(host.entry("VSTPluginMain"), nullptr);
    ASSERT_NE(host.entry("main"), nullptr);
    ASSERT_NE(host.open("main"), nullptr);
    EXPECT_EQ(host.effect()->magic, fourCharCode('V', 's', 't', 'P'));
    EXPECT_EQ(host.requests.front().opcode, audioMasterVersion);
    EXPECT_EQ(host.close(), 1);
}

TEST(HostEntry, HostAnsweringVersionZeroGetsNoEffect) {
    TestHost host;
    ASSERT_TRUE(host.loaded());
    TestHost::versionAnswer = 0;
    EXPECT_EQ(host.open("main"), nullptr);
    EXPECT_EQ(host.open("VSTPluginMain"), nullptr);
}

TEST_F(HostInterface, RecordFields) {
    const AEffect& e = *host.effect();
    EXPECT_EQ(e.magic, 0x56737450);
    EXPECT_EQ(e.numPrograms, 1);
    EXPECT_EQ(e.numParams, 11);
    EXPECT_EQ(e.numInputs, 0);
    EXPECT_EQ(e.numOutputs, 2);
    // HasEditor 1 + CanReplacing 16 + ProgramChunks 32 + IsSynth 256; no clip, no VU.
    EXPECT_EQ(e.flags, 1 + 16 + 32 + 256);
    EXPECT_EQ(e.resvd1, 0);
    EXPECT_EQ(e.resvd2, 0);
    EXPECT_EQ(e.initialDelay, 0);
    EXPECT_EQ(e.realQualities, 0);
    EXPECT_EQ(e.offQualities, 0);
    EXPECT_EQ(e.ioRatio, 1.0f);
    EXPECT_NE(e.object, nullptr);
    EXPECT_EQ(e.user, nullptr);
    EXPECT_EQ(e.uniqueID, 0x716E3538);
    char idBytes[4];
    std::memcpy(idBytes, &e.uniqueID, 4);
    EXPECT_EQ(std::string(idBytes, 4), "85nq");  // little-endian memory reads backwards
    EXPECT_EQ(e.version, 1);
    EXPECT_NE(e.processReplacing, nullptr);
    EXPECT_NE(e.process, nullptr);
    for (char c : e.future) {
        ASSERT_EQ(c, 0);
    }
}

TEST_F(HostInterface, IdentityAnswers) {
    EXPECT_EQ(host.dispatch(effOpen), 0);
    EXPECT_EQ(host.dispatch(effIdentify), 0x4E764566);  // 'NvEf'
    EXPECT_EQ(host.dispatch(effGetVstVersion), 2);
    EXPECT_EQ(host.dispatch(effGetPlugCategory), kPlugCategSynth);
    EXPECT_EQ(host.dispatch(effKeysRequired), 1);
    EXPECT_EQ(host.dispatch(effGetVendorVersion), 1);
    EXPECT_EQ(host.dispatch(effGetNumProgramCategories), 1);
    EXPECT_EQ(host.dispatch(effCanBeAutomated, 5), 1);
    EXPECT_EQ(host.dispatch(effGetVu), 0);
    EXPECT_EQ(host.dispatch(effConnectInput, 0, 1), 1);
    EXPECT_EQ(host.dispatch(effConnectOutput, 1, 1), 1);
    EXPECT_EQ(host.dispatch(effSetBlockSizeAndSampleRate, 0, 512, nullptr, 44100.0f), 1);

    EXPECT_EQ(host.text(effGetEffectName), "Orvane Piano");
    EXPECT_EQ(host.text(effGetVendorString), "Orvane");
    EXPECT_EQ(host.text(effGetProductString), "qorin");
    EXPECT_EQ(host.dispatch(effGetEffectName), 0);  // no buffer: nothing copied
    EXPECT_EQ(host.dispatch(effGetVendorString), 0);
    EXPECT_EQ(host.dispatch(effGetProductString), 0);
}

TEST_F(HostInterface, OpcodesAnsweringZero) {
    for (int32_t opcode : std::initializer_list<int32_t>{effEditGetRect,
                                                         effEditOpen,
                                                         effEditClose,
                                                         effEditDraw,
                                                         effEditMouse,
                                                         effEditKey,
                                                         effEditIdle,
                                                         effEditTop,
                                                         effEditSleep,
                                                         effString2Parameter,
                                                         effGetProgramNameIndexed,
                                                         effCopyProgram,
                                                         effGetInputProperties,
                                                         effGetCurrentPosition,
                                                         effGetDestinationBuffer,
                                                         effOfflineNotify,
                                                         effOfflinePrepare,
                                                         effOfflineRun,
                                                         effProcessVarIo,
                                                         effSetSpeakerArrangement,
                                                         effSetBypass,
                                                         effGetErrorText,
                                                         effVendorSpecific,
                                                         effGetTailSize,
                                                         effIdle,
                                                         effGetIcon,
                                                         effSetViewPosition,
                                                         effGetParameterProperties,
                                                         59,
                                                         -1}) {
        EXPECT_EQ(host.dispatch(opcode), 0) << "opcode " << opcode;
    }
}

TEST_F(HostInterface, CanDo) {
    char events[] = "receiveVstEvents";
    char midi[] = "receiveVstMidiEvent";
    char send[] = "sendVstEvents";
    EXPECT_EQ(host.dispatch(effCanDo, 0, 0, events), 1);
    EXPECT_EQ(host.dispatch(effCanDo, 0, 0, midi), 1);
    EXPECT_EQ(host.dispatch(effCanDo, 0, 0, send), -1);
    EXPECT_EQ(host.dispatch(effCanDo, 0, 0, nullptr), 0);
}

TEST_F(HostInterface, OutputPins) {
    for (int32_t pin = 0; pin < 2; ++pin) {
        VstPinProperties properties;
        std::memset(&properties, 0x55, sizeof properties);
        EXPECT_EQ(host.dispatch(effGetOutputProperties, pin, 0, &properties), 1);
        EXPECT_STREQ(properties.label, "qorin");
        EXPECT_EQ(properties.flags, kVstPinIsActive | kVstPinIsStereo);
    }
    VstPinProperties third{};
    EXPECT_EQ(host.dispatch(effGetOutputProperties, 2, 0, &third), 0);
    EXPECT_EQ(host.dispatch(effGetOutputProperties, -1, 0, &third), 0);
    EXPECT_EQ(host.dispatch(effGetOutputProperties, 0, 0, nullptr), 0);
}

TEST_F(HostInterface, OneProgramWithANameOfAtMost31Characters) {
    EXPECT_EQ(host.text(effGetProgramName), "Default");
    EXPECT_EQ(host.dispatch(effGetProgram), 0);
    EXPECT_EQ(host.dispatch(effSetProgram, 0, 1), 0);  // only program 0 exists
    EXPECT_EQ(host.dispatch(effGetProgram), 0);
    EXPECT_EQ(host.dispatch(effSetProgram, 0, -4), 0);
    EXPECT_EQ(host.dispatch(effGetProgram), 0);

    char forty[] = "0123456789abcdefghijklmnopqrstuvwxyzABCD";
    ASSERT_EQ(std::strlen(forty), 40u);
    EXPECT_EQ(host.dispatch(effSetProgramName, 0, 0, forty), 0);
    EXPECT_EQ(host.text(effGetProgramName), std::string(forty, 31));
    EXPECT_EQ(host.dispatch(effSetProgramName, 0, 0, nullptr), 0);  // no text: no change
    EXPECT_EQ(host.text(effGetProgramName), std::string(forty, 31));
    EXPECT_EQ(host.dispatch(effGetProgramName, 0, 0, nullptr), 0);
}

TEST_F(HostInterface, ResumeAsksForMidiAndSuspendDoesNothing) {
    TestHost::requests.clear();
    EXPECT_EQ(host.dispatch(effMainsChanged, 0, 1), 0);
    ASSERT_EQ(TestHost::requests.size(), 1u);
    EXPECT_EQ(TestHost::requests[0].opcode, audioMasterWantMidi);
    EXPECT_EQ(TestHost::requests[0].value, 1);
    EXPECT_EQ(host.dispatch(effMainsChanged, 0, 0), 0);
    EXPECT_EQ(TestHost::requests.size(), 1u);
}

TEST_F(HostInterface, MissingEventListAnswersOne) {
    EXPECT_EQ(host.dispatch(effProcessEvents, 0, 0, nullptr), 1);
}

TEST_F(HostInterface, CloseAnswersOne) {
    EXPECT_EQ(host.close(), 1);
}

}  // namespace
