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

}  // namespace
