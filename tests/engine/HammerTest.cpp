#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "Hammer.h"

namespace {

// The first `total` (at most 256) samples of a struck hammer.
std::vector<float> strike(int n, float p, float level, float sens, float velocity, int total) {
    RenderContext context;
    context.frameCount = 256;
    std::vector<float> buffer(256);
    Hammer hammer(&context);
    hammer.setOutput(0, buffer.data());
    hammer.configure(n, p, level, sens);
    hammer.setVelocity(velocity);
    hammer.trigger();
    hammer.process();
    buffer.resize(static_cast<size_t>(total));
    return buffer;
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

}  // namespace
