#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "TremoloUnit.h"
#include "UnitSignals.h"

using namespace unit_signals;

namespace {

// At 65536 Hz a 4 Hz rate advances the phase by exactly 2^-14 per sample, so the phase sums
// are exact and one period is exactly 16384 samples.
constexpr float kExactRate = 65536.0f;
constexpr int kPeriod = 16384;

}  // namespace

// The gain swings between 1 and 1 - depth at the rate, channel 1 placed by the stereo phase:
// equal at 0 degrees, a quarter cycle ahead at 90, in antiphase at 180 (rising exactly while
// channel 0 falls, so the gains sum to 2 - depth). Each half-cycle's step covers 90 % of its way
// in 40 % of it, leaving 0.32 %; the 12.7 ms smoother trailing the 21.7 ms envelope keeps 2.4
// times that, within 1 % of the depth. 1e-4 between channels: half an ulp per step remembered
// over the envelope's ~2000 samples.
TEST(TremoloUnit, GainSwingsAtItsRateWithTheStereoPhase) {
    const float depth = 0.8f;
    for (const float phase : {0.0f, 90.0f, 180.0f}) {
        TremoloUnit unit;
        unit.setup(2, 2);
        unit.setParameters({80.0f, 4.0f, 50.0f, 40.0f, phase, kExactRate});
        // The gains on a constant 1 (the offset 1e-7 is far inside every tolerance below).
        std::vector<float> left(8 * kPeriod, 1.0f), right = left;
        processStereo(unit, left, right);
        const auto [lo, hi] = std::minmax_element(left.begin() + 5 * kPeriod, left.end());
        EXPECT_NEAR(*hi, 1.0f - 0.005f * depth, 0.005f * depth + 1e-6f) << phase;
        EXPECT_NEAR(*lo, 1.0f - depth + 0.005f * depth, 0.005f * depth + 1e-6f) << phase;
        std::vector<int> falls;  // where channel 0 falls through the middle of its swing
        for (size_t i = 6 * kPeriod; i < 7 * kPeriod; ++i) {
            const float expected = phase == 0.0f    ? left[i]
                                   : phase == 90.0f ? left[i + kPeriod / 4]
                                                    : 2.0f - depth - left[i];
            ASSERT_NEAR(right[i], expected, 1e-4f) << phase << " degrees, sample " << i;
        }
        for (size_t i = 2 * kPeriod; i < left.size(); ++i) {
            if (left[i - 1] >= 1.0f - depth / 2.0f && left[i] < 1.0f - depth / 2.0f) {
                falls.push_back(static_cast<int>(i));
            }
        }
        ASSERT_GE(falls.size(), 5u);
        for (size_t i = 1; i < falls.size(); ++i) {
            EXPECT_EQ(falls[i] - falls[i - 1], kPeriod);  // exact phase sums: exactly one period
        }
    }
}
