#include <gtest/gtest.h>

#include <array>

#include "Image.h"
#include "ImageTable.h"
#include "TestPng.h"

namespace {

std::unique_ptr<Image> decode(const TestPngLayout& layout, bool surface) {
    const auto png = makeTestPng(layout);
    return ImageTable::decode(png.data(), png.size(), surface);
}

// The red byte at the middle of the selected cell names the cell.
int cellMark(const Image& image) {
    const PixelRect r = image.sourceRect();
    return image.pixelAddress(r.left + r.width() / 2, r.top + r.height() / 2)[2];
}

}  // namespace

TEST(FilmStrip, CellsLieBetweenTheGridLinesInMemoryAndOnADisplaySurface) {
    // The knob strips: 73 cells of 56 x 55 (pitch 57) and of 31 x 31 (pitch 32); cell 72 of
    // each starts one pixel after 72 grid pitches.
    for (const bool surface : {false, true}) {
        for (const auto& [w, h] : {std::array<int, 2>{56, 55}, {31, 31}}) {
            auto image = decode(filmStripLayout(73, w, h), surface);
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
    auto image = decode(layout, false);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->cellColumns(), 5);
    EXPECT_EQ(image->cellWidth(), 8);
    layout.rows[0] = 1;  // red byte of (0, 0): no longer cyan, an ordinary image
    image = decode(layout, false);
    ASSERT_TRUE(image);
    EXPECT_FALSE(image->isFilmStrip());
    image->selectCell(3, 0);
    EXPECT_EQ(image->sourceRect(), image->bounds());
}
