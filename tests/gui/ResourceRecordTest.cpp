#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>

#include "FontRecord.h"
#include "ImageRecord.h"
#include "ResourceRecord.h"

#if defined(ORVANE_HAVE_RESOURCES)
#include "EmbeddedResources.h"
#endif

extern const uint8_t test_crc_check_bytes[];
extern const int32_t test_crc_check_size;
extern const uint32_t test_crc_check_checksum;

TEST(ResourceRecord, KindsAreFourCharacterCodesAndNamesNeverNull) {
    // The first character is the most significant byte.
    ImageRecord image("i", 1, 0, nullptr);
    FontRecord font("f", 2, 0, nullptr);
    EXPECT_EQ(image.type(), 0x696D6167u);     // 'imag'
    EXPECT_EQ(image.subtype(), 0x706E6720u);  // 'png '
    EXPECT_EQ(font.type(), 0x666F6E74u);      // 'font'
    EXPECT_EQ(font.subtype(), 0x74797031u);   // 'typ1'
    EXPECT_STREQ(ResourceRecord(0, 0, 0, nullptr, 0, 0, nullptr).name(), "");
}

// "123456789" is the CRC-32 check string: its standard CRC is 0xCBF43926, so the register
// before the final inversion holds 0x340BC6D9. Embedding stores that inverted CRC.
TEST(ResourceEmbedding, ChecksumIsTheInvertedStandardCrc) {
    ASSERT_EQ(test_crc_check_size, 9);
    EXPECT_EQ(std::memcmp(test_crc_check_bytes, "123456789", 9), 0);
    EXPECT_EQ(test_crc_check_checksum, 0x340BC6D9u);
}

#if defined(ORVANE_HAVE_RESOURCES)

TEST(EmbeddedResources, ResMapListsTheFourRecordsWithTheirKindsAndChecksums) {
    const char* names[] = {"qorin_back", "qorin_poti_01", "qorin_poti_02", "u004004t"};
    // The count follows the four two-pointer entries directly.
    EXPECT_EQ(ResMap.count, 4);
    EXPECT_EQ(offsetof(ResMapTable, count), 4 * 2 * sizeof(void*));
    EXPECT_EQ(EmbeddedResources::find("nothing"), nullptr);
    for (int i = 0; i < 4; ++i) {
        const ResourceRecord& r = *ResMap.entries[i].record;
        SCOPED_TRACE(names[i]);
        EXPECT_STREQ(ResMap.entries[i].name, names[i]);
        EXPECT_STREQ(r.name(), names[i]);
        EXPECT_EQ(EmbeddedResources::find(names[i]), &r);
        ASSERT_GT(r.size(), 8);
        // zlib's crc32 is the standard CRC, after the final inversion.
        EXPECT_EQ(r.checksum(),
                  ~static_cast<uint32_t>(crc32(0L, r.data(), static_cast<uInt>(r.size()))));
        // Three PNG pictures (their signature opens "\x89PNG"), then a PFB font (an ASCII
        // segment, 0x80 0x01).
        const bool picture = i < 3;
        EXPECT_EQ(r.type(), picture ? ResourceRecord::kImageType : ResourceRecord::kFontType);
        EXPECT_EQ(std::memcmp(r.data(), picture ? "\x89PNG" : "\x80\x01", picture ? 4 : 2), 0);
    }
}

#endif
