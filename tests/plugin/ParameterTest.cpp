// Parameter objects on their own: clamping and change notification, the three kinds' real
// values and inverse mappings, and the cut-not-rounded display texts.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "KneeParameter.h"
#include "LinearParameter.h"
#include "LogParameter.h"
#include "ParameterOwner.h"
#include "ValueTable.h"

namespace {

struct CountingOwner : ParameterOwner {
    int changes = 0;
    void parameterChanged() noexcept override { ++changes; }
};

std::string display(Parameter& p, int32_t step, int32_t maxLength = 6) {
    char text[64] = "garbage";
    p.formatValue(text, maxLength, step);
    return text;
}

TEST(ParameterSetValue, ClampsAndNotifiesOncePerChange) {
    CountingOwner owner;
    LinearParameter p("Stereo", "Stereo", "", 0.0f, 100.0f, 100, &owner, false);
    EXPECT_EQ(p.value(), -1);  // no step before the first value

    p.setValue(150, true);
    EXPECT_EQ(p.value(), 100);
    EXPECT_EQ(owner.changes, 1);
    p.setValue(-3, true);
    EXPECT_EQ(p.value(), 0);
    EXPECT_EQ(owner.changes, 2);

    p.setValue(40, true);
    p.setValue(40, true);  // same step: nobody is told
    EXPECT_EQ(owner.changes, 3);
    p.setValue(41, false);  // a silent change stores the step only
    EXPECT_EQ(p.value(), 41);
    EXPECT_EQ(owner.changes, 3);
}

TEST(ParameterSetValue, FirstValueCountsAsChangeEvenAtStepZero) {
    CountingOwner owner;
    LinearParameter p("Depth", "Depth", "%", 0.0f, 100.0f, 100, &owner, false);
    p.setValue(0, true);
    EXPECT_EQ(owner.changes, 1);
}

TEST(LinearParameter, TremoloRateReadsWithThreeCutDecimals) {
    LinearParameter rate("Tremolo Rate", "Rate", "Hz", 0.0f, 8.0f, 120, nullptr, false);
    // 8/120 = 0.0666..., printed 0.066667, cut (not rounded) to three decimals.
    EXPECT_EQ(display(rate, 1), "0.066");
    EXPECT_EQ(display(rate, 60), "4.000");
    EXPECT_EQ(display(rate, 119), "7.933");
    EXPECT_EQ(rate.decimalCount(), 3);
    EXPECT_EQ(display(rate, 121), "");  // beyond the last step
}

TEST(LinearParameter, NegativeRangeShowsNoPlusSign) {
    LinearParameter tune("Tune", "Tune", "", -50.0f, 50.0f, 100, nullptr, false);
    EXPECT_EQ(display(tune, 0), "-50");
    EXPECT_EQ(display(tune, 100), "50");
    EXPECT_EQ(display(tune, 50), "0");
}

TEST(LinearParameter, SignFlagAddsPlusOnlyWhenSomeStepIsNegative) {
    LinearParameter signedTune("Tune", "Tune", "", -50.0f, 50.0f, 100, nullptr, true);
    EXPECT_EQ(display(signedTune, 100), "+50");
    EXPECT_EQ(display(signedTune, 50), "0");  // a leading '0' gets no sign
    EXPECT_EQ(display(signedTune, 0), "-50");

    LinearParameter positive("Depth", "Depth", "%", 0.0f, 100.0f, 100, nullptr, true);
    EXPECT_EQ(display(positive, 100), "100");  // survey cleared the flag: no step is negative
    EXPECT_FALSE(positive.signShown());
}

TEST(LinearParameter, SetRealValueMapsToNearestStepAndIgnoresOutOfRange) {
    CountingOwner owner;
    LinearParameter voices("Voices", "Voices", "", 1.0f, 73.0f, 72, &owner, false);
    voices.setRealValue(20.0f, true);
    EXPECT_EQ(voices.value(), 19);
    voices.setRealValue(20.4f, true);  // (19.4 / 72) * 72 + 0.5 truncates to 19
    EXPECT_EQ(voices.value(), 19);
    voices.setRealValue(20.6f, true);
    EXPECT_EQ(voices.value(), 20);
    voices.setRealValue(0.5f, true);
    voices.setRealValue(74.0f, true);
    voices.setRealValue(std::numeric_limits<float>::quiet_NaN(), true);
    voices.setRealValue(std::numeric_limits<float>::infinity(), true);
    EXPECT_EQ(voices.value(), 20);
    EXPECT_EQ(owner.changes, 2);
}

TEST(LinearParameter, StepCountBelowOneTakesOnlyStepZero) {
    LinearParameter flat("Flat", "Flat", "", 3.0f, 9.0f, 0, nullptr, false);
    flat.setRealValue(7.0f, false);
    EXPECT_EQ(flat.value(), 0);
    EXPECT_FLOAT_EQ(flat.realValueAt(5), 3.0f);
}

TEST(KneeParameter, TwoSegmentsMeetAtTheKnee) {
    CountingOwner owner;
    KneeParameter bell("Bell Volume", "Bell Vol", "", 0.0f, 1.0f, 10.0f, 50, 100, &owner, false);
    // Above the knee each step adds (10 - 1) / 50 = 0.18; below it 1 / 50 = 0.02.
    EXPECT_FLOAT_EQ(bell.realValueAt(51), 1.18f);
    EXPECT_FLOAT_EQ(bell.realValueAt(25), 0.5f);
    EXPECT_FLOAT_EQ(bell.realValueAt(100), 10.0f);
    EXPECT_EQ(display(bell, 51), "1.18");
    EXPECT_EQ(display(bell, 1), "0.02");
    EXPECT_EQ(display(bell, 99), "9.82");
    EXPECT_EQ(display(bell, 100), "10.00");

    bell.setRealValue(1.0f, true);
    EXPECT_EQ(bell.value(), 50);
    bell.setRealValue(1.18f, true);
    EXPECT_EQ(bell.value(), 51);
    bell.setRealValue(-0.5f, true);
    bell.setRealValue(10.5f, true);
    EXPECT_EQ(bell.value(), 51);
    EXPECT_EQ(owner.changes, 2);
}

TEST(LogParameter, TwoSignificantDigits) {
    LogParameter decay("Decay", "Decay", "%", 10.0f, 1000.0f, 100, nullptr, false);
    // x = 10 * 10^(s / 50): 10.47, 10.96 and 11.48 keep 10, 10 and 11; 10^(29/50) * 10 = 38.0;
    // 10^(99/50) * 10 = 954.99 reads 950.
    EXPECT_FLOAT_EQ(decay.realValueAt(0), 10.0f);
    EXPECT_FLOAT_EQ(decay.realValueAt(1), 10.0f);
    EXPECT_FLOAT_EQ(decay.realValueAt(2), 10.0f);
    EXPECT_FLOAT_EQ(decay.realValueAt(3), 11.0f);
    EXPECT_FLOAT_EQ(decay.realValueAt(29), 38.0f);
    EXPECT_FLOAT_EQ(decay.realValueAt(50), 100.0f);
    EXPECT_FLOAT_EQ(decay.realValueAt(51), 100.0f);  // 104.7: 10.47 x 10
    EXPECT_FLOAT_EQ(decay.realValueAt(99), 950.0f);
    EXPECT_FLOAT_EQ(decay.realValueAt(100), 1000.0f);
    for (int32_t s = 0; s <= 100; ++s) {
        const std::string text = display(decay, s);
        EXPECT_EQ(text.find('.'), std::string::npos) << "step " << s << " reads " << text;
    }
    EXPECT_EQ(display(decay, 101), "");
}

TEST(LogParameter, SetRealValueInvertsTheDecadeMapping) {
    LogParameter decay("Decay", "Decay", "%", 10.0f, 1000.0f, 100, nullptr, false);
    decay.setRealValue(100.0f, false);  // log10(10) * 100 / 2 = 50
    EXPECT_EQ(decay.value(), 50);
    decay.setRealValue(5.0f, false);
    decay.setRealValue(1001.0f, false);
    decay.setRealValue(std::numeric_limits<float>::quiet_NaN(), false);
    EXPECT_EQ(decay.value(), 50);
    decay.setRealValue(11.0f, false);  // log10(1.1) * 50 = 2.07: step 2
    EXPECT_EQ(decay.value(), 2);
    decay.setRealValue(1000.0f, false);
    EXPECT_EQ(decay.value(), 100);
}

TEST(ParameterText, TrimNumberLimitsAndTexts) {
    LinearParameter rate("Tremolo Rate", "Rate", "Hz", 0.0f, 8.0f, 120, nullptr, false);
    char text[16] = "xyz";
    rate.trimNumber("0.066667", text, 1);
    EXPECT_STREQ(text, "");
    rate.trimNumber("0.066667", text, 3);  // stops at maxLength characters
    EXPECT_STREQ(text, "0.0");
    rate.trimNumber("123.456789", text, 10);
    EXPECT_STREQ(text, "123.456");

    LinearParameter depth("Tremolo Depth", "Depth", "%", 0.0f, 100.0f, 100, nullptr, false);
    depth.trimNumber("42.900000", text, 10);  // no decimals: the point is left out
    EXPECT_STREQ(text, "42");

    char name[16];
    rate.getShortName(name, 2);
    EXPECT_STREQ(name, "Ra");
    rate.getUnit(name, 15);
    EXPECT_STREQ(name, "Hz");
}

TEST(ParameterText, SetFromTextReadsADecimalNumber) {
    LinearParameter rate("Tremolo Rate", "Rate", "Hz", 0.0f, 8.0f, 120, nullptr, false);
    rate.setFromText("4.0", false);
    EXPECT_EQ(rate.value(), 60);
    rate.setFromText("loud", false);  // not a number: nothing changes
    EXPECT_EQ(rate.value(), 60);
    rate.setValueFromInt(2, false);
    EXPECT_EQ(rate.value(), 30);
    EXPECT_EQ(rate.roundedValue(), 2);
}

TEST(ValueTable, KeepsFloatsAndAnswersZeroOutside) {
    ValueTable table("Filter", "", {0, 100, 0.1, 180});
    EXPECT_EQ(table.count(), 4);
    EXPECT_FLOAT_EQ(table.valueAt(2), 0.1f);
    EXPECT_EQ(table.valueAt(4), 0.0f);
    EXPECT_EQ(table.valueAt(-1), 0.0f);
    EXPECT_STREQ(table.name(), "");
}

}  // namespace
