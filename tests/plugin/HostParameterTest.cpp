// The eleven parameter slots through the effect record: names, units, defaults, the display
// texts at listed steps (cut, not rounded), the host's value conversion and slot 0's fallbacks.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "TestHost.h"

namespace {

using namespace vst2;

struct Slot {
    int32_t index;
    const char* name;
    const char* unit;
    int32_t steps;
    int32_t defaultStep;
    std::vector<std::pair<int32_t, std::string>> texts;  // step, display; the default's first
};

// Decay and Release: 10 * 10^(s/50) cut to two significant digits (step 2: 10.96 reads 10,
// step 5: 12.59 reads 12, step 99: 954.99 reads 950). Bell and Damper: 0.02 a step up to the
// knee at 50, then 0.18. Tremolo Rate: 8/120 = 0.0666... Hz a step, cut to three decimals.
const std::vector<Slot> kSlots = {
    {1, "Decay", "%", 100, 50, {{50, "100"}, {2, "10"}, {5, "12"}, {99, "950"}, {100, "1000"}}},
    {2, "Release", "%", 100, 50, {{50, "100"}, {0, "10"}, {29, "38"}, {100, "1000"}}},
    {3, "Bell Volume", "", 100, 50, {{50, "1.00"}, {1, "0.02"}, {51, "1.18"}, {100, "10.00"}}},
    {4, "Damper Volume", "", 100, 50, {{50, "1.00"}, {0, "0.00"}, {99, "9.82"}}},
    {5, "Stereo", "", 100, 100, {{100, "100"}, {0, "0"}, {99, "99"}}},
    {6, "Voices", "", 72, 19, {{19, "20"}, {0, "1"}, {72, "73"}}},
    {7, "Tune", "", 100, 50, {{50, "0"}, {0, "-50"}, {100, "50"}}},
    {8, "Tremolo Rate", "Hz", 120, 0, {{0, "0.000"}, {1, "0.066"}, {119, "7.933"}}},
    {9, "Tremolo Depth", "%", 100, 0, {{0, "0"}, {1, "1"}, {100, "100"}}},
    {10, "Tremolo Stereo", "%", 18, 18, {{18, "180"}, {0, "0"}, {1, "10"}}},
};

TEST(HostParameters, NamesUnitsDefaultsAndDisplays) {
    TestHost host;
    ASSERT_NE(host.open(), nullptr);
    for (const Slot& slot : kSlots) {
        SCOPED_TRACE(slot.name);
        EXPECT_EQ(host.text(effGetParamName, slot.index), slot.name);
        EXPECT_EQ(host.text(effGetParamLabel, slot.index), slot.unit);
        const auto n = static_cast<float>(slot.steps);
        EXPECT_EQ(host.get(slot.index), static_cast<float>(slot.defaultStep) / n);
        EXPECT_EQ(host.display(slot.index), slot.texts[0].second);
        for (const auto& [step, text] : slot.texts) {
            host.set(slot.index, static_cast<float>(step) / n);
            EXPECT_EQ(host.display(slot.index), text) << "step " << step;
        }
        // Every step read back and written back stays where it is.
        for (int32_t s = 0; s <= slot.steps; ++s) {
            host.set(slot.index, static_cast<float>(s) / n);
            const float v = host.get(slot.index);
            host.set(slot.index, v);
            ASSERT_EQ(host.get(slot.index), v);
            ASSERT_EQ(v, static_cast<float>(s) / n);
        }
    }
    for (int32_t index : {0, 11, -1}) {
        EXPECT_EQ(host.text(effGetParamName, index), "Orvane VST");
        EXPECT_EQ(host.text(effGetParamLabel, index), "         ");  // nine spaces
        EXPECT_EQ(host.display(index), "     ");                     // five spaces
        host.set(index, 0.7f);
        EXPECT_EQ(host.get(index), 0.0f);
    }
}

TEST(HostParameters, HostValuesGoToTheNearestStep) {
    TestHost host;
    ASSERT_NE(host.open(), nullptr);
    // 0.125 * 18 = 2.25 goes down, 0.14 * 18 = 2.52 up; 0.125 * 100 = 12.5 goes up.
    const std::pair<float, float> depth[] = {{0.125f, 0.13f}, {1.5f, 1.0f}, {-0.5f, 0.0f}};
    for (const auto& [set, expected] : depth) {
        host.set(9, set);
        EXPECT_EQ(host.get(9), expected) << set;
    }
    host.set(10, 0.125f);
    EXPECT_EQ(host.display(10), "20");
    host.set(10, 0.14f);
    EXPECT_EQ(host.display(10), "30");
    host.set(9, 0.3f);
    for (float bad :
         {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
          -std::numeric_limits<float>::infinity()}) {
        host.set(9, bad);  // not finite: nothing changes
    }
    EXPECT_EQ(host.get(9), 0.3f);
}

}  // namespace
