#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "Hammer.h"

namespace {

// `total` samples of a struck hammer rendered in slices of `slice` frames.
std::vector<float> strike(int n, float p, float level, float sens, float velocity, int total,
                          int slice = 256) {
    RenderContext context;
    context.frameCount = slice;
    std::vector<float> buffer(256);
    Hammer hammer(&context);
    hammer.setOutput(0, buffer.data());
    hammer.configure(n, p, level, sens);
    hammer.setVelocity(velocity);
    hammer.trigger();
    std::vector<float> out;
    while (static_cast<int>(out.size()) < total) {
        hammer.process();
        out.insert(out.end(), buffer.begin(), buffer.begin() + slice);
    }
    out.resize(static_cast<size_t>(total));
    return out;
}

bool silent(const std::vector<float>& y) {
    return std::all_of(y.begin(), y.end(), [](float v) { return v == 0.0f; });
}

TEST(Hammer, PulseOfNoteA4) {
    // Voicing set 0 at note 69: order 2, pole 0.548333, level 1.51667e-3, full sensitivity.
    const float p = 0.548333f;
    const std::vector<float> out = strike(2, p, 1.51667e-3f, 1.0f, 1.0f, 16);
    // t²·p^t peaks at τ = −2/ln p, where p^τ = e^−2, so the normalisation is (e/τ)².
    const double tau = -2.0 / std::log(static_cast<double>(p));
    const double g = std::pow(std::exp(1.0) / tau, 2.0);
    const double amplitude = g * 1.51667e-3 * std::pow(28.0, 1.0 - p) * 1.37;
    EXPECT_NEAR(tau, 3.33, 0.005);
    EXPECT_NEAR(g, 0.667, 0.0005);
    EXPECT_NEAR(amplitude, 6.24e-3, 0.005e-3);
    for (int k = 0; k < 16; ++k) {
        // Sample k is amplitude·(1 + k)²·p^(k + 2); float running power: 1e-5 relative.
        EXPECT_NEAR(out[k] / (amplitude * (1.0 + k) * (1.0 + k) * std::pow(p, k + 2.0)), 1.0, 1e-5);
    }
    EXPECT_NEAR(out[0], 1.88e-3, 0.005e-3);
    EXPECT_NEAR(out[1], 4.12e-3, 0.005e-3);
    EXPECT_NEAR(out[2], 5.08e-3, 0.005e-3);
}

TEST(Hammer, PulseIsJudgedFinishedOnlyAtASliceStart) {
    const float p = 0.548333f;  // 5τ ≈ 16.6
    // One-sample slices: t = 1..16 are computed, t = 17 is not.
    const std::vector<float> single = strike(2, p, 1.5e-3f, 1.0f, 1.0f, 40, 1);
    EXPECT_GT(single[15], 0.0f);
    EXPECT_TRUE(silent(std::vector<float>(single.begin() + 16, single.end())));
    // Slices of 8 start at t = 1, 9, 17: the third is silent.
    const std::vector<float> eights = strike(2, p, 1.5e-3f, 1.0f, 1.0f, 24, 8);
    EXPECT_TRUE(silent(std::vector<float>(eights.begin() + 16, eights.end())));
    // One slice of 256 from t = 1 is computed in full, far past 5τ.
    const std::vector<float> whole = strike(2, p, 1.5e-3f, 1.0f, 1.0f, 256);
    EXPECT_NEAR(whole[100] / (whole[0] * 101.0 * 101.0 * std::pow(p, 100.0)), 1.0, 1e-4);
}

TEST(Hammer, PeakSitsAtTheGammaPeakWithUnitNormalisedHeight) {
    // Poles give τ ≥ 8, so the best integer t lies within 0.5 of τ, where ln(t^n·p^t) falls at
    // most n/(8τ²) below its peak. Order 8 runs the general loop.
    const struct {
        int n;
        float p;
    } cases[] = {{1, 0.9f}, {2, 0.8f}, {3, 0.7f}, {4, 0.6f}, {5, 0.55f}, {6, 0.5f}, {8, 0.4f}};
    for (const auto& c : cases) {
        const std::vector<float> out = strike(c.n, c.p, 0.5f, 1.0f, 1.0f, 256);
        const auto peak = std::max_element(out.begin(), out.end());
        const double tau = -c.n / std::log(static_cast<double>(c.p));
        EXPECT_LE(std::abs(1.0 + static_cast<double>(peak - out.begin()) - tau), 1.0);
        // Sample = g·0.5·28^(1−p)·k(n) · t^n·p^t · p with k = 2, 1.37, 1.14, then 1.
        const double weight = c.n == 1 ? 2.0 : c.n == 2 ? 1.37 : c.n == 3 ? 1.14 : 1.0;
        const double height = *peak / (c.p * 0.5 * std::pow(28.0, 1.0 - c.p) * weight);
        EXPECT_GT(height, 1.0 - c.n / (8.0 * tau * tau) - 1e-5) << "order " << c.n;
        EXPECT_LE(height, 1.0 + 1e-5) << "order " << c.n;
    }
}

TEST(Hammer, AmplitudeFollowsTheSquareOfTheVelocityWeight) {
    const std::vector<float> full = strike(2, 0.5f, 1e-3f, 1.0f, 1.0f, 16);
    const std::vector<float> half = strike(2, 0.5f, 1e-3f, 1.0f, 0.5f, 16);
    const std::vector<float> halfSens = strike(2, 0.5f, 1e-3f, 0.5f, 0.5f, 16);
    EXPECT_EQ(strike(2, 0.5f, 1e-3f, 0.0f, 0.2f, 16), full);
    for (int k = 0; k < 16; ++k) {
        EXPECT_EQ(half[k], 0.25f * full[k]);              // weight 0.5: an exact quarter
        EXPECT_FLOAT_EQ(halfSens[k], 0.5625f * full[k]);  // weight 0.75, one rounding
    }
}

TEST(Hammer, PoleAboveLimitNormalisesWithLimitButDecaysWithItself) {
    // Pole 1: τ and g use 0.99, while the pulse t²·1^t does not decay at all.
    const std::vector<float> out = strike(2, 1.0f, 1e-3f, 1.0f, 1.0f, 64);
    const double tau = -2.0 / std::log(0.99);
    const double amplitude =
        std::pow(std::exp(1.0) / tau, 2.0) * 1e-3 * std::pow(28.0, 0.01) * 1.37;
    for (int k = 0; k < 64; ++k) {
        EXPECT_NEAR(out[k] / (amplitude * (1.0 + k) * (1.0 + k)), 1.0, 1e-5) << "sample " << k;
    }
}

TEST(Hammer, SilentWhenResetUnconfiguredOrWithoutPole) {
    RenderContext context;
    context.frameCount = 256;
    std::vector<float> buffer(256, 1.0f);
    Hammer hammer(&context);
    hammer.setOutput(0, buffer.data());
    hammer.configure(2, 0.5f, 1.0f, 1.0f);
    hammer.setVelocity(1.0f);
    hammer.trigger();
    hammer.reset();
    hammer.process();
    EXPECT_TRUE(silent(buffer));
    // Order 0 (an unconfigured key) and poles at or below zero give no pulse and no NaN.
    EXPECT_TRUE(silent(strike(0, 0.5f, 1.0f, 1.0f, 1.0f, 256)));
    for (float p : {0.0f, -0.5f, std::nanf("")}) {
        EXPECT_TRUE(silent(strike(2, p, 1.0f, 1.0f, 1.0f, 256))) << "pole " << p;
    }
}

}  // namespace
