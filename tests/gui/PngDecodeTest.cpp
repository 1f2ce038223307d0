#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "Image.h"
#include "ImageTable.h"
#include "TestPng.h"

namespace {

std::unique_ptr<Image> decode(const std::vector<uint8_t>& png) {
    return ImageTable::decode(png.data(), png.size(), false);
}

std::vector<uint8_t> rgbImage(int w, int h, bool interlaced) {
    TestPngLayout layout{.width = w, .height = h, .interlaced = interlaced};
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            layout.rows.insert(layout.rows.end(),
                               {static_cast<uint8_t>(x * 16), static_cast<uint8_t>(y * 16),
                                static_cast<uint8_t>(x * y)});
        }
    }
    return makeTestPng(layout);
}

}  // namespace

// Every colour type and depth becomes blue, green, red, alpha in 8 bits.
TEST(PngDecode, EveryFormatBecomesEightBitBlueGreenRedAlpha) {
    using Pixels = std::vector<std::array<int, 4>>;
    struct Case {
        const char* what;
        TestPngLayout layout;
        Pixels pixels;
    };
    const Case cases[] = {
        {"RGB",
         {.width = 2, .rows = {10, 20, 30, 200, 100, 0}},
         {{30, 20, 10, 255}, {0, 100, 200, 255}}},
        {"RGBA", {.colourType = 6, .rows = {10, 20, 30, 40}}, {{30, 20, 10, 40}}},
        {"grey",
         {.width = 2, .colourType = 0, .rows = {77, 250}},
         {{77, 77, 77, 255}, {250, 250, 250, 255}}},
        {"grey + alpha", {.colourType = 4, .rows = {77, 99}}, {{77, 77, 77, 99}}},
        // 1-bit samples 1, 0 become 255, 0; 4-bit sample 5 becomes 5 * 17 = 85.
        {"1-bit grey",
         {.width = 2, .bitDepth = 1, .colourType = 0, .rows = {0b10000000}},
         {{255, 255, 255, 255}, {0, 0, 0, 255}}},
        {"4-bit grey",
         {.width = 2, .bitDepth = 4, .colourType = 0, .rows = {0x5F}},
         {{85, 85, 85, 255}, {255, 255, 255, 255}}},
        {"16-bit RGB: the high bytes",
         {.bitDepth = 16, .rows = {0x12, 0x34, 0xAB, 0xFF, 0x00, 0x80}},
         {{0x00, 0xAB, 0x12, 255}}},
        // Palette entry 2 has no transparency entry: opaque.
        {"palette",
         {.width = 3,
          .colourType = 3,
          .rows = {0, 1, 2},
          .palette = {255, 0, 0, 0, 255, 0, 0, 0, 255},
          .paletteAlpha = {0, 128}},
         {{0, 0, 255, 0}, {0, 255, 0, 128}, {255, 0, 0, 255}}},
        {"grey with a transparent colour",
         {.width = 2, .colourType = 0, .rows = {77, 78}, .transparentGrey = 77},
         {{77, 77, 77, 0}, {78, 78, 78, 255}}},
    };
    for (const Case& c : cases) {
        auto image = decode(makeTestPng(c.layout));
        ASSERT_TRUE(image) << c.what;
        for (size_t x = 0; x < c.pixels.size(); ++x) {
            const uint8_t* p = image->pixelAddress(static_cast<int32_t>(x), 0);
            EXPECT_EQ((std::array<int, 4>{p[0], p[1], p[2], p[3]}), c.pixels[x])
                << c.what << " " << x;
        }
    }
    // Interlaced rows come out in place: pixel (5, 3) is x * 16, y * 16, x * y.
    auto progressive = decode(rgbImage(9, 7, false));
    auto interlaced = decode(rgbImage(9, 7, true));
    ASSERT_TRUE(progressive && interlaced);
    EXPECT_EQ(std::memcmp(progressive->pixels(), interlaced->pixels(), 9 * 7 * 4), 0);
    EXPECT_EQ(interlaced->pixelAddress(5, 3)[1], 48);
}

TEST(PngDecode, BadDataGivesNoImage) {
    const auto good = rgbImage(8, 8, false);
    auto cut = [&](size_t n) { return std::vector<uint8_t>(good.begin(), good.begin() + n); };
    EXPECT_FALSE(decode({'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g', '!'}));
    EXPECT_FALSE(ImageTable::decode(nullptr, 100, false));
    // Short of the signature, or truncated in the header, the data or before the end.
    for (size_t n :
         {size_t{7}, size_t{8}, size_t{20}, size_t{40}, good.size() / 2, good.size() - 13}) {
        EXPECT_FALSE(decode(cut(n))) << n;
    }
    // A flipped byte inside the image data fails its chunk's CRC; bit depth 3 does not exist.
    auto corrupt = good;
    corrupt[good.size() / 2] ^= 0x5A;
    EXPECT_FALSE(decode(corrupt));
    auto badDepth = good;
    badDepth[24] = 3;
    EXPECT_FALSE(decode(badDepth));
}
