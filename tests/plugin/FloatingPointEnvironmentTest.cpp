// The x87 control word that the module's reset sets on the calling thread: all exceptions
// masked, 53-bit precision, rounding to nearest, whatever the host left behind.
#include <gtest/gtest.h>

#include "FloatingPointEnvironment.h"
#include "PianoPlugin.h"

#if defined(__GLIBC__) && (defined(__i386__) || defined(__x86_64__))
#include <fpu_control.h>

TEST(FloatingPointEnvironment, ResetSetsDoublePrecisionRoundNearestAllMasked) {
    ASSERT_TRUE(FloatingPointEnvironment::controlWordSupported);
    // Extended precision, rounding toward zero: what a host might leave behind.
    fpu_control_t hostWord = 0x0F7F;
    _FPU_SETCW(hostWord);
    PianoPlugin plugin(nullptr);  // the constructor resets the module
    // Bits 0-5 exception masks (all set), bits 8-9 precision (10 = 53-bit), bits 10-11
    // rounding (00 = nearest).
    EXPECT_EQ(FloatingPointEnvironment::controlWord() & 0x0F3F, 0x023Fu);
    _FPU_SETCW(hostWord);
    plugin.getAeffect()->dispatcher(plugin.getAeffect(), vst2::effMainsChanged, 0, 1, nullptr,
                                    0.0f);
    EXPECT_EQ(FloatingPointEnvironment::controlWord() & 0x0F3F, 0x023Fu);
    fpu_control_t standard = _FPU_DEFAULT;
    _FPU_SETCW(standard);
}

#endif
