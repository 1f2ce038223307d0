#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "PhaserUnit.h"
#include "UnitSignals.h"

using namespace unit_signals;

namespace {

constexpr float kFs = 44100.0f;

// A still mono phaser (no oscillator, envelope or feedback) whose every section has
// k = 1/(1 + tan(pi/8)): the sweep band is collapsed onto fs/8.
void setStill(PhaserUnit& unit, float stages, float mix) {
    unit.setup(1, 1);
    unit.setParameters(
        {0.0f, 0.0f, 0.0f, 0.0f, kFs / 8.0f, kFs / 8.0f, stages, 0.0f, 0.0f, mix, 0.0f, 0.0f, kFs});
}

}  // namespace

// Each section H(z) = (k - 1/z)/(1 - k/z) has DC gain -1, Nyquist gain +1 and DC group delay
// (1+k)/(1-k) (5.828 samples at fs/8), so a ramp leaves N sections as (-1)^N (n - N (1+k)/(1-k));
// with the wet sign flipped for odd N the 100 % wet output is the ramp delayed by
// N (1+k)/(1-k) samples: that counts the sections (a fractional count truncates) and checks the
// sign. The transient (12-fold pole at 0.707) is below 1e-60 by sample 900; 0.01 samples
// covers float rounding through 12 sections (~1e-6 of a value near 1).
TEST(PhaserUnit, RampDelayCountsSectionsAndOddCountsFlipTheWetSign) {
    const double k = 1.0 / (1.0 + std::tan(std::numbers::pi / 8.0));
    const struct {
        float requested;
        int runs;
    } cases[] = {{4.0f, 4}, {5.0f, 5}, {4.9f, 4}, {11.0f, 11}, {12.7f, 12}};
    for (const auto& c : cases) {
        PhaserUnit unit;
        setStill(unit, c.requested, 100.0f);
        std::vector<float> y(1000);
        for (size_t n = 0; n < y.size(); ++n) {
            y[n] = 1e-3f * static_cast<float>(n);
        }
        processMono(unit, y);
        const double delay = (0.9 - (y[900] - 1e-7)) / 1e-3;
        EXPECT_NEAR(delay, c.runs * (1.0 + k) / (1.0 - k), 0.01) << "stage count " << c.requested;
    }
}

// Mix +50 %: out = 0.5 x + 0.5 wet. With 4 sections DC and Nyquist both pass; with 5 the
// flipped wet sign keeps DC and cancels Nyquist. Mix -50 % cancels DC for both. Settled by
// sample 1000; 1e-5 covers rounding and the 1e-7 offset.
TEST(PhaserUnit, HalfMixSignWithEvenAndOddSections) {
    const struct {
        float stages, mix;
        double dc, nyquist;
    } cases[] = {{4, 50, 1, 1}, {5, 50, 1, 0}, {4, -50, 0, 0}, {5, -50, 0, 1}};
    for (const auto& c : cases) {
        PhaserUnit unit;
        setStill(unit, c.stages, c.mix);
        std::vector<float> x(1200);
        for (size_t n = 0; n < x.size(); ++n) {
            x[n] = 0.25f + ((n % 2) != 0 ? -0.5f : 0.5f);
        }
        processMono(unit, x);
        EXPECT_NEAR((x[1000] + x[1001]) / 2.0, 0.25 * c.dc, 1e-5) << c.stages << ", " << c.mix;
        EXPECT_NEAR((x[1000] - x[1001]) / 2.0, 0.5 * c.nyquist, 1e-5) << c.stages << ", " << c.mix;
    }
}
