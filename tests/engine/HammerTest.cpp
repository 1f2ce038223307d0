#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "Hammer.h"

// The pulse t^n p^t, normalised to unit height at its peak tau = -n/ln p, times the level
// 28^(1-p) k(n) (k = 2, 1.37, 1.14, then 1), struck at full velocity and sensitivity. Poles give
// tau >= 8, so the best integer t lies within 0.5 of tau, where ln(t^n p^t) falls at most
// n/(8 tau^2) below its peak. Order 8 runs the general loop.
TEST(Hammer, PeakSitsAtTheGammaPeakWithUnitNormalisedHeight) {
    const struct {
        int n;
        float p;
    } cases[] = {{1, 0.9f}, {2, 0.8f}, {3, 0.7f}, {4, 0.6f}, {5, 0.55f}, {6, 0.5f}, {8, 0.4f}};
    for (const auto& c : cases) {
        RenderContext context;
        context.frameCount = 256;
        std::vector<float> out(256);
        Hammer hammer(&context);
        hammer.setOutput(0, out.data());
        hammer.configure(c.n, c.p, 0.5f, 1.0f);
        hammer.setVelocity(1.0f);
        hammer.trigger();
        hammer.process();
        const auto peak = std::max_element(out.begin(), out.end());
        const double tau = -c.n / std::log(static_cast<double>(c.p));
        EXPECT_LE(std::abs(1.0 + static_cast<double>(peak - out.begin()) - tau), 1.0);
        // The sample at t is the pulse times p (t counts from 1); 1e-5: float running powers.
        const double weight = c.n == 1 ? 2.0 : c.n == 2 ? 1.37 : c.n == 3 ? 1.14 : 1.0;
        const double height = *peak / (c.p * 0.5 * std::pow(28.0, 1.0 - c.p) * weight);
        EXPECT_GT(height, 1.0 - c.n / (8.0 * tau * tau) - 1e-5) << "order " << c.n;
        EXPECT_LE(height, 1.0 + 1e-5) << "order " << c.n;
    }
}
