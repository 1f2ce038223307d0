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

// The red byte at the middle of the selected cell names the cell.
int cellMark(const Image& image) {
    const PixelRect r = image.sourceRect();
    return image.pixelAddress(r.left + r.width() / 2, r.top + r.height() / 2)[2];
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
        {"grey + alpha", {.colourType = 4, .rows = {77, 99}}, {{77, 77, 77, 99}}},
        {"grey",
         {.width = 2, .colourType = 0, .rows = {77, 250}},
         {{77, 77, 77, 255}, {250, 250, 250, 255}}},
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
    // Interlaced rows come out in place.
    TestPngLayout layout = filmStripLayout(5, 8, 8);
    auto progressive = decode(makeTestPng(layout));
    layout.interlaced = true;
    auto interlaced = decode(makeTestPng(layout));
    ASSERT_TRUE(progressive && interlaced);
    EXPECT_EQ(std::memcmp(progressive->pixels(), interlaced->pixels(), 47 * 10 * 4), 0);
}

TEST(PngDecode, BadDataGivesNoImage) {
    const auto good = makeTestPng(filmStripLayout(5, 8, 8));
    EXPECT_FALSE(decode({'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g', '!'}));
    // Short of the signature, or truncated in the header, the data or before the end; a flipped
    // byte inside the image data fails its chunk's CRC.
    for (size_t n : {size_t{7}, size_t{20}, good.size() / 2, good.size() - 13}) {
        EXPECT_FALSE(decode(std::vector<uint8_t>(good.begin(), good.begin() + n))) << n;
    }
    auto corrupt = good;
    corrupt[good.size() / 2] ^= 0x5A;
    EXPECT_FALSE(decode(corrupt));
}

TEST(FilmStrip, CellsLieBetweenTheGridLinesInMemoryAndOnADisplaySurface) {
    // The knob strips: 73 cells of 56 x 55 (pitch 57) and of 31 x 31 (pitch 32); cell 72 of
    // each starts one pixel after 72 grid pitches.
    for (const bool surface : {false, true}) {
        for (const auto& [w, h] : {std::array<int, 2>{56, 55}, {31, 31}}) {
            auto image = decode(makeTestPng(filmStripLayout(73, w, h)), surface);
            ASSERT_TRUE(image);
            EXPECT_TRUE(image->isFilmStrip());
            EXPECT_EQ(image->cellColumns(), 73) << surface;
            EXPECT_EQ(image->cellRows(), 1);
            EXPECT_EQ(image->sourceRect(), (PixelRect{1, 1, w + 1, h + 1}));
            image->selectCell(72, 0);
            EXPECT_EQ(image->sourceRect(), (PixelRect{72 * (w + 1) + 1, 1, 73 * (w + 1), h + 1}));
            EXPECT_EQ(cellMark(*image), 72);
            image->selectCell(43, 0);
            image->selectCell(73, 0);  // beyond the count: the previous cell stays
            image->selectCell(-1, 5);
            EXPECT_EQ(cellMark(*image), 43);
        }
    }
}

TEST(FilmStrip, TheCornerDecidesAndItsAlphaIsNotCompared) {
    TestPngLayout layout = filmStripLayout(5, 8, 8);
    layout.rows[3] = 0;  // pixel (0, 0) cyan but fully transparent: still a strip
    auto image = decode(makeTestPng(layout));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->cellColumns(), 5);
    EXPECT_EQ(image->cellWidth(), 8);
    layout.rows[0] = 1;  // red byte of (0, 0): no longer cyan, an ordinary image
    image = decode(makeTestPng(layout));
    ASSERT_TRUE(image);
    EXPECT_FALSE(image->isFilmStrip());
    image->selectCell(3, 0);
    EXPECT_EQ(image->sourceRect(), image->bounds());
}
