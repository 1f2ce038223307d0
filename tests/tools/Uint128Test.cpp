#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>

#include "Uint128.h"

namespace {

constexpr uint64_t kAllOnes = std::numeric_limits<uint64_t>::max();

}  // namespace

TEST(Uint128, CarriesAndWrapsLikeAnUnsignedType) {
    const Uint128 sum = Uint128(kAllOnes) + Uint128(1);
    EXPECT_EQ(sum.highWord(), 1u);
    EXPECT_EQ(sum.lowWord(), 0u);
    // (2^64 - 1)^2 = 2^128 - 2^65 + 1.
    const Uint128 square = Uint128(kAllOnes) * kAllOnes;
    EXPECT_EQ(square.highWord(), kAllOnes - 1);
    EXPECT_EQ(square.lowWord(), 1u);
    // 2^128 - 1 + 1 wraps to 0.
    EXPECT_EQ(Uint128(kAllOnes, kAllOnes) + Uint128(1), Uint128(0));
}

TEST(Uint128, DividesExactly) {
    // With M = 2^64 - 1: M^2 / M = M, and (M^2 - 1) / M = M - 1/M rounds down to M - 1.
    const Uint128 square = Uint128(kAllOnes) * kAllOnes;
    EXPECT_EQ(square / kAllOnes, Uint128(kAllOnes));
    EXPECT_EQ(Uint128(square.highWord(), 0) / kAllOnes, Uint128(kAllOnes - 1));
    EXPECT_EQ(Uint128(1, 0) / 2, Uint128(uint64_t{1} << 63));
    EXPECT_EQ(Uint128(13230) / 1, Uint128(13230));
}

TEST(Uint128, ConvertsToTheNearestDouble) {
    EXPECT_EQ(static_cast<double>(Uint128(1, 0)), 0x1p64);
    EXPECT_EQ(static_cast<double>(Uint128(kAllOnes, kAllOnes)), 0x1p128);
    // 2^64 + 2^11 lies exactly halfway between two doubles: ties go to the even one (2^64);
    // one unit more, far below the first word, must round up.
    EXPECT_EQ(static_cast<double>(Uint128(1, 2048)), 0x1p64);
    EXPECT_EQ(static_cast<double>(Uint128(1, 2049)), 0x1p64 + 0x1p12);
    // The top bit of the high word set: every low bit is shifted out.
    EXPECT_EQ(static_cast<double>(Uint128(uint64_t{1} << 63, 1)), 0x1p127);
}

#if defined(__SIZEOF_INT128__)
TEST(Uint128, AgreesWithTheBuiltInTypeWhereThereIsOne) {
    __extension__ typedef unsigned __int128 Builtin;
    auto wide = [](Uint128 v) { return (Builtin(v.highWord()) << 64) | v.lowWord(); };
    std::mt19937_64 random(20261206);
    for (int i = 0; i < 20000; ++i) {
        // Spread the magnitudes: shift each random word right by a random amount.
        const uint64_t h = random() >> (random() % 64);
        const uint64_t l = random() >> (random() % 64);
        const uint64_t m = random() >> (random() % 64);
        const uint64_t d = (random() >> (random() % 64)) | 1u;
        const Uint128 a(h, l);
        const Builtin reference = wide(a);
        ASSERT_EQ(wide(a * m), Builtin(reference * m));
        ASSERT_EQ(wide(a + Uint128(m)), Builtin(reference + m));
        ASSERT_EQ(wide(a / d), reference / d);
        ASSERT_EQ(a < Uint128(m), reference < m);
        ASSERT_EQ(static_cast<double>(a), static_cast<double>(reference));
    }
}
#endif
