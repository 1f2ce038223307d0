#include <gtest/gtest.h>

#include <array>

#include "DrawContext.h"
#include "Image.h"
#include "PixelBlend.h"

namespace {

std::array<int, 4> at(const Image& image, int x, int y) {
    const uint8_t* p = image.pixelAddress(x, y);
    return {p[0], p[1], p[2], p[3]};
}

void put(Image& image, int x, int y, std::array<int, 4> v) {
    uint8_t* p = image.pixelAddress(x, y);
    for (int c = 0; c < 4; ++c) {
        p[c] = static_cast<uint8_t>(v[static_cast<size_t>(c)]);
    }
}

}  // namespace

TEST(PixelBlend, OpaqueAndTransparentAreExact) {
    // (v + 1) * 255 / 256 truncates to v: the operator never darkens an opaque copy.
    for (uint32_t a = 0; a < 256; ++a) {
        for (uint32_t b = 0; b < 256; b += 5) {
            ASSERT_EQ(mixChannel(a, b, 255), a);
            ASSERT_EQ(mixChannel(a, b, 0), b);
        }
    }
}

TEST(PixelBlend, PartialWeightsFollowTheIntegerFormula) {
    // (201 * 128 + 101 * 127) / 256 = 38555 / 256 = 150.6 -> 150
    EXPECT_EQ(mixChannel(200, 100, 128), 150);
    // (256 * 128 + 1 * 127) / 256 = 32895 / 256 = 128.5 -> 128
    EXPECT_EQ(mixChannel(255, 0, 128), 128);
    // (1 * 64 + 256 * 191) / 256 = 48960 / 256 = 191.25 -> 191
    EXPECT_EQ(mixChannel(0, 255, 64), 191);
    // (11 * 200 + 251 * 55) / 256 = 16005 / 256 = 62.52 -> 62 (a plain /255 mix gives 61)
    EXPECT_EQ(mixChannel(10, 250, 200), 62);
}

TEST(DrawContext, DisplaySurfaceStartsWhiteAndPlainMemoryCleared) {
    auto surface = Image::create(3, 2, 32, true);
    auto plain = Image::create(3, 2, 32, false);
    ASSERT_TRUE(surface && plain);
    EXPECT_EQ(at(*surface, 2, 1), (std::array<int, 4>{255, 255, 255, 255}));
    EXPECT_EQ(at(*plain, 2, 1), (std::array<int, 4>{0, 0, 0, 0}));
    EXPECT_FALSE(Image::create(0, 2, 32, true));
    EXPECT_FALSE(Image::create(2, 2, 24, true));
    EXPECT_FALSE(Image::create(65536, 65536, 32, false));  // 16 GiB: beyond 2^31 - 1 bytes
}

TEST(DrawContext, BlendWeightsTheSourceByItsAlphaAtTheOrigin) {
    auto target = Image::create(4, 4, 32, true);
    auto source = Image::create(2, 1, 32, false);
    put(*source, 0, 0, {200, 0, 255, 128});
    put(*source, 1, 0, {10, 20, 30, 0});
    // Target filled with 100 everywhere.
    DrawContext fillAll(*target, target->bounds(), 0, 0);
    fillAll.fill(target->bounds(), Colour{100, 100, 100, 100});
    // Drawn at local (1, 1) in a context whose origin is (1, 2): lands on pixel (2, 3).
    DrawContext ctx(*target, target->bounds(), 1, 2);
    ctx.blendImage(*source, source->bounds(), 1, 1);
    // blue (201*128 + 101*127)/256 = 150; green (1*128 + 101*127)/256 = 50;
    // red (256*128 + 101*127)/256 = 178; alpha (129*128 + 101*127)/256 = 114
    EXPECT_EQ(at(*target, 2, 3), (std::array<int, 4>{150, 50, 178, 114}));
    // Alpha 0 leaves the pixel beneath exactly as it was.
    EXPECT_EQ(at(*target, 3, 3), (std::array<int, 4>{100, 100, 100, 100}));
    EXPECT_EQ(at(*target, 1, 3), (std::array<int, 4>{100, 100, 100, 100}));
}

TEST(DrawContext, ClipAndSourceRectangleLimitTheCopy) {
    auto target = Image::create(4, 4, 32, true);
    auto source = Image::create(3, 3, 32, false);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 3; ++x) {
            put(*source, x, y, {x, y, 7, 255});
        }
    }
    DrawContext ctx(*target, PixelRect{0, 0, 2, 4}, 0, 0);
    // Source cell (1, 1)..(3, 3) placed at (1, 0): only target column 1 is inside the clip.
    ctx.copyImage(*source, PixelRect{1, 1, 3, 3}, 1, 0);
    EXPECT_EQ(at(*target, 1, 0), (std::array<int, 4>{1, 1, 7, 255}));
    EXPECT_EQ(at(*target, 1, 1), (std::array<int, 4>{1, 2, 7, 255}));
    EXPECT_EQ(at(*target, 2, 0), (std::array<int, 4>{255, 255, 255, 255}));
    EXPECT_EQ(at(*target, 0, 0), (std::array<int, 4>{255, 255, 255, 255}));
    EXPECT_EQ(at(*target, 1, 2), (std::array<int, 4>{255, 255, 255, 255}));
    // Drawing far outside the target writes nothing and does not crash.
    ctx.copyImage(*source, source->bounds(), -100, 5000);
    ctx.blendImage(*source, PixelRect{-7, -7, 90, 90}, -1, -1);
}

TEST(DrawContext, MaskBlendsTheColourByCoverage) {
    auto target = Image::create(2, 1, 32, true);
    const uint8_t coverage[2] = {255, 64};
    DrawContext ctx(*target, target->bounds(), 0, 0);
    ctx.blendMask(coverage, 2, 2, 1, 0, 0, Colour{0, 0, 0, 255});
    EXPECT_EQ(at(*target, 0, 0), (std::array<int, 4>{0, 0, 0, 255}));
    // (1 * 64 + 256 * 191) / 256 = 191 on the colour channels; alpha stays 255.
    EXPECT_EQ(at(*target, 1, 0), (std::array<int, 4>{191, 191, 191, 255}));
}
