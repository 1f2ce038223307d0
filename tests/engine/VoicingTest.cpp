#include <gtest/gtest.h>

#include "BreakpointCurve.h"
#include "Tables.h"
#include "Voicing.h"

namespace {

float curve(int j, int note) {
    BreakpointCurve c;
    c.pointAt(voicingSet(0).curves[j]);
    return c.value(note);
}

TEST(Voicing, EveryIndexAnswersSet0) {
    EXPECT_EQ(&voicingSet(1), &voicingSet(0));
    EXPECT_EQ(&voicingSet(-1), &voicingSet(0));
}

TEST(Voicing, Set0GivesTheDesignValuesOfNoteA4) {
    // Note 69 lies 2/12 of the way from 67 to 79; the figures are the voicing's design values
    // for A4 with random value 0.524. Float curve arithmetic: 1e-5 relative.
    const double rho = Tables::instance().keyRandom[69];
    EXPECT_NEAR(curve(1, 69), 0.548333, 1e-5);                         // hammer pole
    EXPECT_NEAR(curve(2, 69) * 0.01, 1.51667e-3, 1e-8);                // hammer level
    EXPECT_NEAR(curve(4, 69) * 0.01, 15.8333, 1e-4);                   // tine ring time, s
    EXPECT_NEAR(curve(7, 69) * curve(6, 69) * 440.04, 8568.66, 0.05);  // second bell, Hz
    EXPECT_NEAR(curve(10, 69) * (1.0 + curve(20, 69) * (rho - 1.0)), 2.4582e-2, 1e-6);
    EXPECT_NEAR(curve(11, 69) * 0.001, 1.16667e-4, 1e-9);  // damper level
    EXPECT_NEAR(curve(12, 69), 175.593, 1e-3);             // thump cutoff
    EXPECT_NEAR(curve(14, 69) * 10000.0, 9666.67, 0.01);   // thump gain
    EXPECT_EQ(static_cast<int>(curve(15, 69)), 7);         // velocity curve
    EXPECT_NEAR(curve(16, 69), 0.501667, 1e-6);            // pickup offset
    EXPECT_NEAR(curve(18, 69), 1.65, 1e-6);                // output Q
    EXPECT_NEAR(curve(19, 69), 1.78333, 1e-5);             // output gain
}

}  // namespace
