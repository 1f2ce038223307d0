#include <gtest/gtest.h>

#include "ImageRecord.h"
#include "ImageTable.h"
#include "TestPng.h"

namespace {

std::vector<uint8_t> smallPng() {
    TestPngLayout layout;
    layout.width = 2;
    layout.height = 2;
    layout.rows = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    return makeTestPng(layout);
}

}  // namespace

TEST(ImageTable, DecodesOnceAndSharesByName) {
    const auto png = smallPng();
    ImageRecord record("shared", 0, static_cast<int32_t>(png.size()), png.data());
    ImageTable table;
    auto first = table.imageFor(record, false);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->name(), "shared");
    auto second = table.imageFor(record, false);
    EXPECT_EQ(first, second);
    EXPECT_EQ(table.size(), 1u);
    // Two holders here plus the table's own reference.
    EXPECT_EQ(first.use_count(), 3);
    second.reset();
    first.reset();
    // Released by every view, the image still stays in the table.
    auto again = table.find("shared");
    ASSERT_TRUE(again);
    EXPECT_EQ(again.use_count(), 2);
}

TEST(ImageTable, FirstRequestChoosesTheStorage) {
    const auto png = smallPng();
    ImageRecord record("background", 0, static_cast<int32_t>(png.size()), png.data());
    ImageTable table;
    auto surface = table.imageFor(record, true);
    ASSERT_TRUE(surface);
    EXPECT_EQ(surface->format(), Image::kSurface32);
    // A later request without the flag gets the same shared image.
    EXPECT_EQ(table.imageFor(record, false), surface);
}

TEST(ImageTable, UndecodableDataIsNotEntered) {
    static const uint8_t junk[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    ImageRecord record("junk", 0, sizeof(junk), junk);
    ImageRecord empty("empty", 0, 0, nullptr);
    ImageRecord negative("negative", 0, -5, junk);
    ImageTable table;
    EXPECT_FALSE(table.imageFor(record, false));
    EXPECT_FALSE(table.imageFor(empty, false));
    EXPECT_FALSE(table.imageFor(negative, false));
    EXPECT_EQ(table.size(), 0u);
}
