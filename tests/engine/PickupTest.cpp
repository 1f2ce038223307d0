#include <gtest/gtest.h>

#include <vector>

#include "Pickup.h"

namespace {

// Runs the pickup on one sample per input (the rest of the slice zero); answers sample 0.
float pickupAt(float offset, float a, float b, float c, float e) {
    RenderContext context;
    context.frameCount = 256;
    const float first[4] = {a, b, c, e};
    std::vector<float> in[4], out(256, 1.0f);
    Pickup pickup(&context);
    for (int i = 0; i < 4; ++i) {
        in[i].assign(256, 0.0f);
        in[i][0] = first[i];
        pickup.setInput(i, in[i].data());
    }
    pickup.setOutput(0, out.data());
    pickup.configure(offset);
    pickup.process();
    EXPECT_EQ(out[255], 0.0f);  // a resting tine gives exactly nothing
    return out[0];
}

// A resting tine gives exactly nothing, also displaced by -2d, the mirror of rest about the
// pickup's centre. The Lorentzian curve: x = 0.3 + 0.1 + 0.5 gives y = 1/1.81, less the bias
// 1/1.25 of rest, plus the bells riding on it, 0.3 y; on a resting tine the bells come through
// scaled by the curve's rest value 0.8. Float: 1e-6.
TEST(Pickup, LorentzianCurveWithBellsRidingOnIt) {
    for (const float d : {0.0f, 0.501667f, -0.9f}) {
        EXPECT_EQ(pickupAt(d, 0.0f, 0.0f, 0.0f, 0.0f), 0.0f) << "offset " << d;
        EXPECT_EQ(pickupAt(d, -2.0f * d, 0.0f, 0.0f, 0.0f), 0.0f) << "offset " << d;
    }
    const double y = 1.0 / 1.81;
    EXPECT_NEAR(pickupAt(0.5f, 0.3f, 0.1f, 0.2f, 0.1f), y - 0.8 + 0.3 * y, 1e-6);
    EXPECT_NEAR(pickupAt(0.5f, 0.0f, 0.0f, 0.25f, 0.0f), 0.25 * 0.8, 1e-6);
}

}  // namespace
