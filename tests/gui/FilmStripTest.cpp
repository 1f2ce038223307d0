#include <gtest/gtest.h>

#include "Image.h"
#include "ImageTable.h"
#include "TestPng.h"

namespace {

std::unique_ptr<Image> strip(int cells, int cellWidth, int cellHeight, bool surface = false) {
    TestPngLayout layout;
    layout.colourType = 6;
    layout.width = cells * (cellWidth + 1) + 2;
    layout.height = cellHeight + 2;
    layout.rows = makeFilmStripRgba(cells, cellWidth, cellHeight);
    auto png = makeTestPng(layout);
    return ImageTable::decode(png.data(), png.size(), surface);
}

// The red byte at the middle of the selected cell names the cell.
int cellMark(const Image& image) {
    const PixelRect r = image.sourceRect();
    return image.pixelAddress(r.left + r.width() / 2, r.top + r.height() / 2)[2];
}

}  // namespace

TEST(FilmStrip, LargeKnobStripLayout) {
    // 73 cells of 56 x 55 with a pitch of 57: 73 * 57 + 2 = 4163 wide, 55 + 2 = 57 high.
    auto image = strip(73, 56, 55);
    ASSERT_TRUE(image);
    ASSERT_EQ(image->width(), 4163);
    ASSERT_EQ(image->height(), 57);
    EXPECT_TRUE(image->isFilmStrip());
    EXPECT_EQ(image->cellColumns(), 73);
    EXPECT_EQ(image->cellRows(), 1);
    EXPECT_EQ(image->cellWidth(), 56);
    EXPECT_EQ(image->cellHeight(), 55);
    EXPECT_EQ(image->selectedColumn(), 0);
    EXPECT_EQ(image->sourceRect(), (PixelRect{1, 1, 57, 56}));
    image->selectCell(72, 0);
    // Cell 72 starts at 72 * 57 + 1 = 4105.
    EXPECT_EQ(image->sourceRect(), (PixelRect{4105, 1, 4161, 56}));
    EXPECT_EQ(cellMark(*image), 72);
    image->selectCell(43, 0);
    EXPECT_EQ(cellMark(*image), 43);
}

TEST(FilmStrip, SmallKnobStripLayoutInPlainMemoryAndOnADisplaySurface) {
    // 73 cells of 31 x 31, pitch 32: 2338 x 33; cell 72 starts at 72 * 32 + 1 = 2305.
    for (const bool surface : {false, true}) {
        auto image = strip(73, 31, 31, surface);
        ASSERT_TRUE(image);
        ASSERT_EQ(image->width(), 2338);
        ASSERT_EQ(image->height(), 33);
        EXPECT_EQ(image->cellColumns(), 73) << surface;
        EXPECT_EQ(image->cellRows(), 1);
        EXPECT_EQ(image->cellWidth(), 31);
        EXPECT_EQ(image->cellHeight(), 31);
        image->selectCell(72, 0);
        EXPECT_EQ(image->sourceRect(), (PixelRect{2305, 1, 2336, 32}));
    }
}

TEST(FilmStrip, SelectingBeyondTheCountKeepsThePreviousCell) {
    auto image = strip(73, 56, 55);
    ASSERT_TRUE(image);
    image->selectCell(18, 0);
    image->selectCell(73, 0);
    EXPECT_EQ(image->selectedColumn(), 18);
    image->selectCell(-1, 5);
    EXPECT_EQ(image->selectedColumn(), 18);
    EXPECT_EQ(image->selectedRow(), 0);
    EXPECT_EQ(cellMark(*image), 18);
}

TEST(FilmStrip, CyanLinesWithoutACyanCornerAreAnOrdinaryImage) {
    auto rgba = makeFilmStripRgba(5, 8, 8);
    rgba[0] = 1;  // pixel (0, 0) red byte: no longer cyan
    TestPngLayout layout;
    layout.colourType = 6;
    layout.width = 5 * 9 + 2;
    layout.height = 10;
    layout.rows = rgba;
    auto png = makeTestPng(layout);
    auto image = ImageTable::decode(png.data(), png.size(), false);
    ASSERT_TRUE(image);
    EXPECT_FALSE(image->isFilmStrip());
    EXPECT_EQ(image->cellColumns(), 1);
    EXPECT_EQ(image->cellRows(), 1);
    image->selectCell(3, 0);
    EXPECT_EQ(image->sourceRect(), image->bounds());
}

TEST(FilmStrip, CornerAlphaIsNotCompared) {
    auto rgba = makeFilmStripRgba(5, 8, 8);
    rgba[3] = 0;  // pixel (0, 0) cyan but fully transparent
    TestPngLayout layout;
    layout.colourType = 6;
    layout.width = 5 * 9 + 2;
    layout.height = 10;
    layout.rows = rgba;
    auto png = makeTestPng(layout);
    auto image = ImageTable::decode(png.data(), png.size(), false);
    ASSERT_TRUE(image);
    EXPECT_TRUE(image->isFilmStrip());
    EXPECT_EQ(image->cellColumns(), 5);
    EXPECT_EQ(image->cellWidth(), 8);
}

TEST(FilmStrip, ACornerMarkerAloneGivesNoCells) {
    // Only pixel (0, 0) is cyan: one marker in row 1 and column 1 at most; no counts below 0.
    TestPngLayout layout;
    layout.width = 3;
    layout.height = 3;
    layout.rows.assign(27, 0);
    layout.rows[1] = 255;
    layout.rows[2] = 255;
    auto png = makeTestPng(layout);
    auto image = ImageTable::decode(png.data(), png.size(), false);
    ASSERT_TRUE(image);
    EXPECT_TRUE(image->isFilmStrip());
    EXPECT_EQ(image->cellColumns(), 0);
    EXPECT_EQ(image->cellRows(), 0);
    image->selectCell(0, 0);
    const PixelRect r = image->sourceRect();
    EXPECT_TRUE(image->bounds().intersected(r) == r);
}
