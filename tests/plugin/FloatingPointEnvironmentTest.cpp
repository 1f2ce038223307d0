// The floating-point environment: the control word that the module's reset sets, and the
// denormal guard that each process call holds.
#include <gtest/gtest.h>

#include "FloatingPointEnvironment.h"
#include "PianoPlugin.h"

#if defined(__GLIBC__) && (defined(__i386__) || defined(__x86_64__))
#include <fpu_control.h>
#define ORVANE_TEST_X87 1
#endif

namespace {

TEST(FloatingPointEnvironment, ResetSetsDoublePrecisionRoundNearestAllMasked) {
    if (!FloatingPointEnvironment::controlWordSupported) {
        GTEST_SKIP() << "no x87 control word on this machine";
    }
#if defined(ORVANE_TEST_X87)
    // Extended precision, rounding toward zero: what a host might leave behind.
    fpu_control_t hostWord = 0x0F7F;
    _FPU_SETCW(hostWord);
#endif
    PianoPlugin plugin(nullptr);  // the constructor resets the module
    // x87 control word: bits 0-5 exception masks (all set), bits 8-9 precision (10 = 53-bit),
    // bits 10-11 rounding (00 = nearest).
    EXPECT_EQ(FloatingPointEnvironment::controlWord() & 0x0F3F, 0x023Fu);
#if defined(ORVANE_TEST_X87)
    _FPU_SETCW(hostWord);
    plugin.getAeffect()->dispatcher(plugin.getAeffect(), vst2::effMainsChanged, 0, 1, nullptr,
                                    0.0f);
    EXPECT_EQ(FloatingPointEnvironment::controlWord() & 0x0F3F, 0x023Fu);
    fpu_control_t standard = _FPU_DEFAULT;
    _FPU_SETCW(standard);
#endif
}

TEST(FloatingPointEnvironment, GuardFlushesDenormalsOnlyWhileHeld) {
    if (!FloatingPointEnvironment::flushSupported) {
        GTEST_SKIP() << "no flush-to-zero control on this machine";
    }
    volatile float small = 1e-30f;
    volatile float factor = 1e-10f;
    ASSERT_FALSE(FloatingPointEnvironment::flushesDenormals());
    EXPECT_NE(small * factor, 0.0f);  // 1e-40 is a denormal, below FLT_MIN = 1.18e-38
    {
        FloatingPointEnvironment::DenormalGuard guard;
        EXPECT_TRUE(FloatingPointEnvironment::flushesDenormals());
        EXPECT_EQ(small * factor, 0.0f);
    }
    EXPECT_FALSE(FloatingPointEnvironment::flushesDenormals());
    EXPECT_NE(small * factor, 0.0f);
}

}  // namespace
