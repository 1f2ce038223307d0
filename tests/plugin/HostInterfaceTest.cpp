// The built module as a host sees it: entry points, the effect record and the dispatcher's
// answers, driven only through the record.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "TestHost.h"

namespace {

using namespace vst2;

TEST(HostInterface, EntryPointsAndVersionCheck) {
    TestHost host;
    ASSERT_NE(host.open("main"), nullptr) << ORVANE_PLUGIN_PATH;
    EXPECT_EQ(TestHost::requests.front(), audioMasterVersion);
    EXPECT_EQ(host.close(), 1);
    TestHost::versionAnswer = 0;  // a host too old for the plug-in gets no effect
    EXPECT_EQ(host.open("main"), nullptr);
    EXPECT_EQ(host.open("VSTPluginMain"), nullptr);
}

TEST(HostInterface, RecordAndAnswers) {
    TestHost host;
    ASSERT_NE(host.open(), nullptr);
    const AEffect& e = *host.effect();
    EXPECT_EQ(e.magic, fourCharCode('V', 's', 't', 'P'));
    EXPECT_EQ(e.numPrograms, 1);
    EXPECT_EQ(e.numParams, 11);
    EXPECT_EQ(e.numInputs, 0);
    EXPECT_EQ(e.numOutputs, 2);
    // HasEditor 1 + CanReplacing 16 + ProgramChunks 32 + IsSynth 256; no clip, no VU.
    EXPECT_EQ(e.flags, 1 + 16 + 32 + 256);
    EXPECT_EQ(e.ioRatio, 1.0f);
    char id[4];
    std::memcpy(id, &e.uniqueID, 4);
    EXPECT_EQ(std::string(id, 4), "85nq");  // 'qn58', little-endian memory reads backwards
    EXPECT_EQ(e.version, 1);

    const std::pair<int32_t, intptr_t> answers[] = {
        {effIdentify, fourCharCode('N', 'v', 'E', 'f')},
        {effGetVstVersion, 2},
        {effGetPlugCategory, kPlugCategSynth},
        {effKeysRequired, 1},
        {effGetVendorVersion, 1},
        {effConnectOutput, 1},
        {effGetNumProgramCategories, 1},
        {effCanBeAutomated, 1},
        {effGetProgram, 0},
        {effSetProgram, 0},     // only program 0 exists
        {effEditGetRect, 0},    // without a pointer to fill
        {effGetEffectName, 0},  // nothing copied without a buffer
        {effProcessEvents, 1},  // no event list
    };
    for (const auto& [opcode, answer] : answers) {
        EXPECT_EQ(host.dispatch(opcode, 5, 1), answer) << "opcode " << opcode;
    }
    EXPECT_EQ(host.dispatch(effGetProgram), 0);
    EXPECT_EQ(host.text(effGetEffectName), "Orvane Piano");
    EXPECT_EQ(host.text(effGetVendorString), "Orvane");
    EXPECT_EQ(host.text(effGetProductString), "qorin");

    char canDo[][24] = {"receiveVstEvents", "receiveVstMidiEvent", "sendVstEvents"};
    EXPECT_EQ(host.dispatch(effCanDo, 0, 0, canDo[0]), 1);
    EXPECT_EQ(host.dispatch(effCanDo, 0, 0, canDo[1]), 1);
    EXPECT_EQ(host.dispatch(effCanDo, 0, 0, canDo[2]), -1);

    VstPinProperties pin;
    std::memset(&pin, 0x55, sizeof pin);
    EXPECT_EQ(host.dispatch(effGetOutputProperties, 1, 0, &pin), 1);
    EXPECT_STREQ(pin.label, "qorin");
    EXPECT_EQ(pin.flags, kVstPinIsActive | kVstPinIsStereo);
    EXPECT_EQ(host.dispatch(effGetOutputProperties, 2, 0, &pin), 0);  // two pins only

    char forty[] = "0123456789abcdefghijklmnopqrstuvwxyzABCD";
    EXPECT_EQ(host.text(effGetProgramName), "Default");
    host.dispatch(effSetProgramName, 0, 0, forty);
    EXPECT_EQ(host.text(effGetProgramName), std::string(forty, 31));  // at most 31 characters

    TestHost::requests.clear();
    EXPECT_EQ(host.dispatch(effMainsChanged, 0, 1), 0);  // resume asks for MIDI
    host.dispatch(effMainsChanged, 0, 0);                // suspend asks nothing
    EXPECT_EQ(TestHost::requests, std::vector<int32_t>{audioMasterWantMidi});
    EXPECT_EQ(host.close(), 1);
}

}  // namespace
