#include <gtest/gtest.h>

#include <vector>

#include "Pickup.h"

namespace {

// Runs the pickup on one sample per input (the rest of the slice zero); answers sample 0.
float pickupAt(float offset, float a, float b, float c, float e) {
    RenderContext context;
    context.frameCount = 256;
    std::vector<float> in[4] = {std::vector<float>(256, 0.0f), std::vector<float>(256, 0.0f),
                                std::vector<float>(256, 0.0f), std::vector<float>(256, 0.0f)};
    in[0][0] = a;
    in[1][0] = b;
    in[2][0] = c;
    in[3][0] = e;
    std::vector<float> out(256, 1.0f);
    Pickup pickup(&context);
    for (int i = 0; i < 4; ++i) {
        pickup.setInput(i, in[i].data());
    }
    pickup.setOutput(0, out.data());
    pickup.configure(offset);
    pickup.process();
    EXPECT_EQ(out[255], 0.0f);  // a resting tine gives exactly nothing
    return out[0];
}

TEST(Pickup, RestingTineGivesExactlyNoOutput) {
    for (float d : {0.0f, 0.501667f, -0.9f}) {
        EXPECT_EQ(pickupAt(d, 0.0f, 0.0f, 0.0f, 0.0f), 0.0f) << "offset " << d;
        // The curve is symmetric about the pickup's centre: displacement −2d mirrors rest.
        EXPECT_EQ(pickupAt(d, -2.0f * d, 0.0f, 0.0f, 0.0f), 0.0f) << "offset " << d;
    }
}

TEST(Pickup, LorentzianCurveWithBellsRidingOnIt) {
    // x = 0.3 + 0.1 + 0.5: y = 1/1.81, bias −1/1.25, out = y − 0.8 + 0.3·y. Float: 1e-6.
    const double y = 1.0 / 1.81;
    EXPECT_NEAR(pickupAt(0.5f, 0.3f, 0.1f, 0.2f, 0.1f), y - 0.8 + 0.3 * y, 1e-6);
    // On a resting tine the bells come through scaled by the curve's rest value 0.8.
    EXPECT_NEAR(pickupAt(0.5f, 0.0f, 0.0f, 0.25f, 0.0f), 0.25 * 0.8, 1e-6);
}

}  // namespace
