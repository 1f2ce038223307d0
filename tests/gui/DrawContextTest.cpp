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

constexpr std::array<int, 4> kWhite{255, 255, 255, 255};

}  // namespace

// The blend operator: ((a + 1) * w + (b + 1) * (255 - w)) / 256, truncated.
TEST(PixelBlend, WeightsTheSourceAndKeepsOpaqueAndTransparentExact) {
    // (v + 1) * 255 / 256 truncates to v: an opaque copy never darkens, a transparent one
    // leaves the pixel beneath as it was.
    for (uint32_t a = 0; a < 256; ++a) {
        for (uint32_t b = 0; b < 256; b += 5) {
            ASSERT_EQ(mixChannel(a, b, 255), a);
            ASSERT_EQ(mixChannel(a, b, 0), b);
        }
    }
    EXPECT_EQ(mixChannel(200, 100, 128), 150);  // (201 * 128 + 101 * 127) / 256 = 150.6
    EXPECT_EQ(mixChannel(10, 250, 200), 62);    // 16005 / 256 = 62.5 (a plain /255 mix: 61)
}

TEST(DrawContext, ImagesLandAtTheOriginInsideTheClipAndTextByCoverage) {
    auto target = Image::create(4, 4, 32, true);  // a display surface starts white
    auto source = Image::create(3, 3, 32, false);
    ASSERT_TRUE(target && source);
    for (int i = 0; i < 9; ++i) {
        uint8_t* p = source->pixelAddress(i % 3, i / 3);
        p[0] = static_cast<uint8_t>(i);
        p[3] = 255;
    }
    // Clip: columns 0 and 1. Source cell (1, 1)..(3, 3) placed at (1, 0): only column 1 lands.
    DrawContext clipped(*target, PixelRect{0, 0, 2, 4}, 0, 0);
    clipped.copyImage(*source, PixelRect{1, 1, 3, 3}, 1, 0);
    EXPECT_EQ(at(*target, 1, 0), (std::array<int, 4>{4, 0, 0, 255}));  // source (1, 1)
    EXPECT_EQ(at(*target, 1, 1), (std::array<int, 4>{7, 0, 0, 255}));  // source (1, 2)
    EXPECT_TRUE(at(*target, 0, 0) == kWhite && at(*target, 2, 0) == kWhite &&
                at(*target, 1, 2) == kWhite);
    // Far outside the target nothing is written.
    clipped.copyImage(*source, source->bounds(), -100, 5000);
    clipped.blendImage(*source, PixelRect{-7, -7, 90, 90}, -1, -1);

    // Half-transparent blue 200 drawn at local (1, 1) with the origin at (1, 2) lands on
    // (2, 3): blue (201 * 128 + 256 * 127) / 256 = 227, the others (1 * 128 + 256 * 127) / 256
    // = 127, alpha (129 * 128 + 256 * 127) / 256 = 191.
    source->pixelAddress(0, 0)[0] = 200;
    source->pixelAddress(0, 0)[3] = 128;
    DrawContext moved(*target, target->bounds(), 1, 2);
    moved.blendImage(*source, PixelRect{0, 0, 1, 1}, 1, 1);
    EXPECT_EQ(at(*target, 2, 3), (std::array<int, 4>{227, 127, 127, 191}));
    EXPECT_EQ(at(*target, 3, 3), kWhite);

    // Text: the colour blended by coverage.
    auto line = Image::create(2, 1, 32, true);
    const uint8_t coverage[2] = {255, 64};
    DrawContext text(*line, line->bounds(), 0, 0);
    text.blendMask(coverage, 2, 2, 1, 0, 0, Colour{0, 0, 0, 255});
    EXPECT_EQ(at(*line, 0, 0), (std::array<int, 4>{0, 0, 0, 255}));
    // (1 * 64 + 256 * 191) / 256 = 191 on the colour channels; alpha stays 255.
    EXPECT_EQ(at(*line, 1, 0), (std::array<int, 4>{191, 191, 191, 255}));
}
