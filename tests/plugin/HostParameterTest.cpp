// The eleven parameter slots through the effect record: names, units, defaults, the display
// texts at every listed step, the host's value conversion and the fallbacks of slot 0.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "TestHost.h"

namespace {

using namespace vst2;

class HostParameters : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.loaded()) << ORVANE_PLUGIN_PATH;
        ASSERT_NE(host.open(), nullptr);
    }

    // Puts slot index at step s of its N steps through the host's normalised value.
    void setStep(int32_t index, int32_t s, int32_t n) const {
        host.set(index, static_cast<float>(s) / static_cast<float>(n));
    }

    TestHost host;
};

struct Slot {
    int32_t index;
    const char* name;
    const char* unit;
    int32_t steps;
};

const std::vector<Slot> kSlots = {
    {1, "Decay", "%", 100},         {2, "Release", "%", 100},
    {3, "Bell Volume", "", 100},    {4, "Damper Volume", "", 100},
    {5, "Stereo", "", 100},         {6, "Voices", "", 72},
    {7, "Tune", "", 100},           {8, "Tremolo Rate", "Hz", 120},
    {9, "Tremolo Depth", "%", 100}, {10, "Tremolo Stereo", "%", 18},
};

TEST_F(HostParameters, NamesAndUnits) {
    for (const Slot& slot : kSlots) {
        EXPECT_EQ(host.text(effGetParamName, slot.index), slot.name);
        EXPECT_EQ(host.text(effGetParamLabel, slot.index), slot.unit);
    }
}

TEST_F(HostParameters, SlotZeroAndOutOfRangeFallBack) {
    for (int32_t index : {0, 11, -1, 1000}) {
        EXPECT_EQ(host.text(effGetParamName, index), "Orvane VST");
        EXPECT_EQ(host.text(effGetParamLabel, index), "         ");  // nine spaces
        EXPECT_EQ(host.text(effGetParamDisplay, index), "     ");    // five spaces
        EXPECT_EQ(host.get(index), 0.0f);
        host.set(index, 0.7f);
        EXPECT_EQ(host.get(index), 0.0f);
    }
}

TEST_F(HostParameters, DefaultsAsNormalisedValues) {
    // Default steps: Decay/Release 50 of 100, knees at 50 of 100, Stereo 100, Voices 19 of 72,
    // Tune 50 of 100, rate and depth 0, Tremolo Stereo 18 of 18.
    for (int32_t i : {1, 2, 3, 4, 7}) {
        EXPECT_EQ(host.get(i), 0.5f) << "slot " << i;
    }
    EXPECT_EQ(host.get(5), 1.0f);
    EXPECT_EQ(host.get(10), 1.0f);
    EXPECT_EQ(host.get(6), 19.0f / 72.0f);
    EXPECT_EQ(host.get(8), 0.0f);
    EXPECT_EQ(host.get(9), 0.0f);
}

TEST_F(HostParameters, DefaultDisplays) {
    const std::vector<std::string> expected = {"100", "100", "1.00",  "1.00", "100",
                                               "20",  "0",   "0.000", "0",    "180"};
    for (int32_t i = 1; i <= 10; ++i) {
        EXPECT_EQ(host.display(i), expected[static_cast<size_t>(i - 1)]) << "slot " << i;
    }
}

struct DisplayRow {
    std::vector<int32_t> indices;
    int32_t steps;
    std::vector<std::pair<int32_t, std::string>> texts;  // step, display
};

TEST_F(HostParameters, DisplayTextsAtListedSteps) {
    const std::vector<DisplayRow> rows = {
        {{1, 2}, 100, {{0, "10"}, {1, "10"}, {2, "10"}, {50, "100"}, {99, "950"}, {100, "1000"}}},
        {{3, 4},
         100,
         {{0, "0.00"}, {1, "0.02"}, {2, "0.04"}, {50, "1.00"}, {99, "9.82"}, {100, "10.00"}}},
        {{5, 9}, 100, {{0, "0"}, {1, "1"}, {2, "2"}, {50, "50"}, {99, "99"}, {100, "100"}}},
        {{6}, 72, {{0, "1"}, {1, "2"}, {2, "3"}, {36, "37"}, {71, "72"}, {72, "73"}}},
        {{7}, 100, {{0, "-50"}, {1, "-49"}, {2, "-48"}, {50, "0"}, {99, "49"}, {100, "50"}}},
        {{8},
         120,
         {{0, "0.000"}, {1, "0.066"}, {2, "0.133"}, {60, "4.000"}, {119, "7.933"}, {120, "8.000"}}},
        {{10}, 18, {{0, "0"}, {1, "10"}, {2, "20"}, {9, "90"}, {17, "170"}, {18, "180"}}},
    };
    for (const DisplayRow& row : rows) {
        for (int32_t index : row.indices) {
            for (const auto& [step, text] : row.texts) {
                setStep(index, step, row.steps);
                EXPECT_EQ(host.display(index), text) << "slot " << index << " step " << step;
            }
        }
    }
}

TEST_F(HostParameters, HostValuesRoundToNearestStep) {
    host.set(1, 0.29f);
    EXPECT_EQ(host.get(1), 29.0f / 100.0f);
    EXPECT_EQ(host.display(1), "38");  // 10 * 10^(29/50) = 38.02
    host.set(1, 1.0f);
    EXPECT_EQ(host.display(1), "1000");
    host.set(6, 1.0f);
    EXPECT_EQ(host.display(6), "73");
    host.set(6, 0.0f);
    EXPECT_EQ(host.display(6), "1");
    host.set(8, 0.5f);
    EXPECT_EQ(host.display(8), "4.000");

    // 0.125 * 18 = 2.25 rounds down, 0.14 * 18 = 2.52 rounds up; 0.125 * 100 = 12.5 goes up.
    host.set(10, 0.125f);
    EXPECT_EQ(host.display(10), "20");
    host.set(10, 0.14f);
    EXPECT_EQ(host.display(10), "30");
    host.set(9, 0.125f);
    EXPECT_EQ(host.get(9), 13.0f / 100.0f);
    host.set(10, 1.5f);  // beyond 1: the last step
    EXPECT_EQ(host.get(10), 1.0f);
    host.set(10, -0.5f);
    EXPECT_EQ(host.get(10), 0.0f);
}

TEST_F(HostParameters, ReadBackWrittenBackKeepsEveryStep) {
    for (const Slot& slot : kSlots) {
        for (int32_t s = 0; s <= slot.steps; ++s) {
            setStep(slot.index, s, slot.steps);
            const float v = host.get(slot.index);
            host.set(slot.index, v);
            ASSERT_EQ(host.get(slot.index), v) << "slot " << slot.index << " step " << s;
            ASSERT_EQ(v, static_cast<float>(s) / static_cast<float>(slot.steps));
        }
    }
}

TEST_F(HostParameters, NonFiniteHostValuesChangeNothing) {
    host.set(9, 0.3f);
    host.set(9, std::numeric_limits<float>::quiet_NaN());
    host.set(9, std::numeric_limits<float>::infinity());
    host.set(9, -std::numeric_limits<float>::infinity());
    EXPECT_EQ(host.get(9), 0.3f);
    host.set(9, 1e30f);  // huge but finite: the last step
    EXPECT_EQ(host.get(9), 1.0f);
}

}  // namespace
