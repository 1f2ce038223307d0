#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "ChorusUnit.h"
#include "UnitSignals.h"

using namespace unit_signals;

namespace {

constexpr float kFs = 44100.0f;

// Centroid (in samples) of a response from sample 1 on, after removing the offset 1e-7.
double centroid(const std::vector<float>& response) {
    double sum = 0.0;
    double moment = 0.0;
    for (size_t n = 1; n < response.size(); ++n) {
        sum += response[n] - 1e-7;
        moment += (response[n] - 1e-7) * static_cast<double>(n);
    }
    return moment / sum;
}

}  // namespace

// The engine core's chorus at amount 100: line 1's delay is 1 + 100 m samples, m the smoothed
// |triangle|; an impulse every 256 samples arrives (after the dry one) with its centroid one
// sample later, through the symmetric three-point blend. The 0.001-per-sample smoother lags the
// 0.7 Hz triangle by at most 0.0317: the delay stays in [1, 101] and passes 97.8 and 4.2. At 180
// degrees the triangles sum to 1, so once the right smoother has caught up (0.999^20000 = 2e-9)
// the delays sum to 102, to 0.32 as they are read up to 100 samples apart while moving by up to
// 3.2e-3 samples per sample. 0.02 samples: that movement over a response, and the offset removed.
TEST(ChorusUnit, CoreSweepRunsBetweenOneAndOneHundredOneSamplesInAntiphase) {
    ChorusUnit unit;
    unit.setup(2, 2);
    EXPECT_EQ(unit.setParameters({50, 0, 10, 0.7f, 0.7f, 0, 0, 0, 0, 0, 180, kFs}), 0);
    double lowest = 1e9;
    double highest = -1e9;
    for (int i = 0; i < 640; ++i) {  // 163840 samples: 2.6 cycles of 0.7 Hz
        std::vector<float> l(256, 0.0f), r(256, 0.0f);
        l[0] = r[0] = 1.0f;
        processStereo(unit, l, r);
        const double left = centroid(l) - 1.0;
        const double right = centroid(r) - 1.0;
        lowest = std::min({lowest, left, right});
        highest = std::max({highest, left, right});
        if (i * 256 > 20000) {
            EXPECT_NEAR(left + right, 102.0, 0.32 + 0.02) << "impulse " << i;
        }
    }
    EXPECT_GE(lowest, 1.0 - 0.02);
    EXPECT_LE(lowest, 4.2);
    EXPECT_LE(highest, 101.0 + 0.02);
    EXPECT_GE(highest, 97.8);
}
