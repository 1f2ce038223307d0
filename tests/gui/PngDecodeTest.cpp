#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "Image.h"
#include "ImageTable.h"
#include "TestPng.h"

namespace {

std::unique_ptr<Image> decode(const std::vector<uint8_t>& png, bool surface = false) {
    return ImageTable::decode(png.data(), png.size(), surface);
}

// Blue, green, red, alpha of one decoded pixel.
std::array<int, 4> bgra(const Image& image, int x, int y) {
    const uint8_t* p = image.pixelAddress(x, y);
    return {p[0], p[1], p[2], p[3]};
}

std::vector<uint8_t> rgbImage(int w, int h, bool interlaced) {
    TestPngLayout layout;
    layout.width = w;
    layout.height = h;
    layout.interlaced = interlaced;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            layout.rows.push_back(static_cast<uint8_t>(x * 16));
            layout.rows.push_back(static_cast<uint8_t>(y * 16));
            layout.rows.push_back(static_cast<uint8_t>(x * y));
        }
    }
    return makeTestPng(layout);
}

}  // namespace

TEST(PngDecode, RgbBecomesBlueGreenRedWithOpaqueFiller) {
    TestPngLayout layout;
    layout.width = 2;
    layout.rows = {10, 20, 30, 200, 100, 0};
    auto image = decode(makeTestPng(layout));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 2);
    EXPECT_EQ(image->height(), 1);
    EXPECT_EQ(image->pixelClass(), 2);
    EXPECT_EQ(image->bytesPerPixel(), 4);
    EXPECT_EQ(image->rowStep(), 8);
    EXPECT_EQ(image->byteSize(), 8);
    EXPECT_EQ(bgra(*image, 0, 0), (std::array<int, 4>{30, 20, 10, 255}));
    EXPECT_EQ(bgra(*image, 1, 0), (std::array<int, 4>{0, 100, 200, 255}));
    EXPECT_FALSE(image->isFilmStrip());
}

TEST(PngDecode, RgbaKeepsTheFileAlpha) {
    TestPngLayout layout;
    layout.colourType = 6;
    layout.rows = {10, 20, 30, 40};
    auto image = decode(makeTestPng(layout));
    ASSERT_TRUE(image);
    EXPECT_EQ(bgra(*image, 0, 0), (std::array<int, 4>{30, 20, 10, 40}));
}

TEST(PngDecode, GreyImagesBecomeEqualChannels) {
    TestPngLayout grey;
    grey.colourType = 0;
    grey.width = 2;
    grey.rows = {77, 250};
    auto image = decode(makeTestPng(grey));
    ASSERT_TRUE(image);
    EXPECT_EQ(bgra(*image, 0, 0), (std::array<int, 4>{77, 77, 77, 255}));
    EXPECT_EQ(bgra(*image, 1, 0), (std::array<int, 4>{250, 250, 250, 255}));

    TestPngLayout greyAlpha;
    greyAlpha.colourType = 4;
    greyAlpha.rows = {77, 99};
    image = decode(makeTestPng(greyAlpha));
    ASSERT_TRUE(image);
    EXPECT_EQ(bgra(*image, 0, 0), (std::array<int, 4>{77, 77, 77, 99}));
}

TEST(PngDecode, SubByteGreyExpandsToFullRange) {
    // 1-bit samples 1, 0 become 255, 0; 4-bit sample 5 becomes 5 * 17 = 85 (0x55).
    TestPngLayout bits;
    bits.colourType = 0;
    bits.bitDepth = 1;
    bits.width = 2;
    bits.rows = {0b10000000};
    auto image = decode(makeTestPng(bits));
    ASSERT_TRUE(image);
    EXPECT_EQ(bgra(*image, 0, 0), (std::array<int, 4>{255, 255, 255, 255}));
    EXPECT_EQ(bgra(*image, 1, 0), (std::array<int, 4>{0, 0, 0, 255}));

    TestPngLayout nibbles;
    nibbles.colourType = 0;
    nibbles.bitDepth = 4;
    nibbles.width = 2;
    nibbles.rows = {0x5F};
    image = decode(makeTestPng(nibbles));
    ASSERT_TRUE(image);
    EXPECT_EQ(bgra(*image, 0, 0), (std::array<int, 4>{85, 85, 85, 255}));
    EXPECT_EQ(bgra(*image, 1, 0), (std::array<int, 4>{255, 255, 255, 255}));
}

TEST(PngDecode, SixteenBitSamplesKeepTheirHighByte) {
    TestPngLayout layout;
    layout.bitDepth = 16;
    layout.rows = {0x12, 0x34, 0xAB, 0xFF, 0x00, 0x80};
    auto image = decode(makeTestPng(layout));
    ASSERT_TRUE(image);
    EXPECT_EQ(bgra(*image, 0, 0), (std::array<int, 4>{0x00, 0xAB, 0x12, 255}));
}

TEST(PngDecode, PaletteWithTransparencyExpandsToAlpha) {
    TestPngLayout layout;
    layout.colourType = 3;
    layout.width = 3;
    layout.palette = {255, 0, 0, 0, 255, 0, 0, 0, 255};
    layout.paletteAlpha = {0, 128};  // entry 2 has no tRNS entry: opaque
    layout.rows = {0, 1, 2};
    auto image = decode(makeTestPng(layout));
    ASSERT_TRUE(image);
    EXPECT_EQ(bgra(*image, 0, 0), (std::array<int, 4>{0, 0, 255, 0}));
    EXPECT_EQ(bgra(*image, 1, 0), (std::array<int, 4>{0, 255, 0, 128}));
    EXPECT_EQ(bgra(*image, 2, 0), (std::array<int, 4>{255, 0, 0, 255}));
}

TEST(PngDecode, GreyTransparentColourBecomesAlphaZero) {
    TestPngLayout layout;
    layout.colourType = 0;
    layout.width = 2;
    layout.rows = {77, 78};
    layout.transparentGrey = 77;
    auto image = decode(makeTestPng(layout));
    ASSERT_TRUE(image);
    EXPECT_EQ(bgra(*image, 0, 0), (std::array<int, 4>{77, 77, 77, 0}));
    EXPECT_EQ(bgra(*image, 1, 0), (std::array<int, 4>{78, 78, 78, 255}));
}

TEST(PngDecode, GammaAndSrgbChunksLeaveTheSamplesUnchanged) {
    TestPngLayout plain;
    plain.width = 4;
    plain.rows = {0, 1, 2, 64, 100, 128, 180, 200, 220, 250, 254, 255};
    auto reference = decode(makeTestPng(plain));
    ASSERT_TRUE(reference);
    for (double gamma : {0.45455, 1.0, 0.7}) {
        TestPngLayout withGamma = plain;
        withGamma.gamma = gamma;
        withGamma.chromaticities = true;
        auto image = decode(makeTestPng(withGamma));
        ASSERT_TRUE(image);
        EXPECT_EQ(std::memcmp(image->pixels(), reference->pixels(), 16), 0) << gamma;
    }
    TestPngLayout srgb = plain;
    srgb.srgbIntent = 0;
    auto image = decode(makeTestPng(srgb));
    ASSERT_TRUE(image);
    EXPECT_EQ(std::memcmp(image->pixels(), reference->pixels(), 16), 0);
}

TEST(PngDecode, InterlacedDecodesLikeProgressive) {
    auto progressive = decode(rgbImage(9, 7, false));
    auto interlaced = decode(rgbImage(9, 7, true));
    ASSERT_TRUE(progressive);
    ASSERT_TRUE(interlaced);
    EXPECT_EQ(std::memcmp(progressive->pixels(), interlaced->pixels(), 9 * 7 * 4), 0);
    EXPECT_EQ(bgra(*interlaced, 5, 3), (std::array<int, 4>{15, 48, 80, 255}));
}

TEST(PngDecode, DisplaySurfaceFlagChoosesTheFormat) {
    auto png = rgbImage(3, 2, false);
    auto plain = decode(png, false);
    auto surface = decode(png, true);
    ASSERT_TRUE(plain);
    ASSERT_TRUE(surface);
    EXPECT_EQ(plain->format(), Image::kPlain32);
    EXPECT_EQ(surface->format(), Image::kSurface32);
    EXPECT_TRUE(surface->hasDisplaySurface());
    EXPECT_EQ(std::memcmp(plain->pixels(), surface->pixels(), 3 * 2 * 4), 0);
}

TEST(PngDecode, BadDataGivesNoImage) {
    const auto good = rgbImage(8, 8, false);
    // Not a PNG at all, and fewer than the eight signature bytes.
    const std::vector<uint8_t> text = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g', '!'};
    EXPECT_FALSE(decode(text));
    EXPECT_FALSE(decode(std::vector<uint8_t>(good.begin(), good.begin() + 7)));
    EXPECT_FALSE(ImageTable::decode(nullptr, 100, false));
    // Truncated anywhere after the signature: in the header, in the data, before the end.
    for (size_t cut : {size_t{8}, size_t{20}, size_t{40}, good.size() / 2, good.size() - 13}) {
        EXPECT_FALSE(decode(std::vector<uint8_t>(good.begin(), good.begin() + cut))) << cut;
    }
    // A flipped byte inside the image data fails its chunk's CRC.
    auto corrupt = good;
    corrupt[good.size() / 2] ^= 0x5A;
    EXPECT_FALSE(decode(corrupt));
    // A header declaring bit depth 3 (no PNG colour type has it).
    auto badDepth = good;
    badDepth[24] = 3;
    EXPECT_FALSE(decode(badDepth));
}
