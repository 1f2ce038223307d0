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

namespace {

// The standard CRC-32 of the bytes with all 32 bits inverted (zlib's crc32 applies the final
// inversion, so inverting its answer gives the register before that step).
uint32_t invertedCrc(const uint8_t* data, int32_t size) {
    return ~static_cast<uint32_t>(crc32(0L, data, static_cast<uInt>(size)));
}

}  // namespace

TEST(ResourceRecord, StoresEveryFieldAndCopiesTheName) {
    static const uint8_t bytes[] = {1, 2, 3};
    char name[] = "some_name";
    ResourceRecord record(0x11223344u, 0x55667788u, 7, name, 0xCAFEF00Du, 3, bytes);
    name[0] = 'X';  // the record keeps its own copy
    EXPECT_EQ(record.type(), 0x11223344u);
    EXPECT_EQ(record.subtype(), 0x55667788u);
    EXPECT_EQ(record.reserved(), 7);
    EXPECT_STREQ(record.name(), "some_name");
    EXPECT_EQ(record.checksum(), 0xCAFEF00Du);
    EXPECT_EQ(record.size(), 3);
    EXPECT_EQ(record.data(), bytes);  // never copied
}

TEST(ResourceRecord, EmptyOrMissingNameAnswersEmptyText) {
    ResourceRecord empty(0, 0, 0, "", 0, 0, nullptr);
    ResourceRecord missing(0, 0, 0, nullptr, 0, 0, nullptr);
    ASSERT_NE(empty.name(), nullptr);
    ASSERT_NE(missing.name(), nullptr);
    EXPECT_STREQ(empty.name(), "");
    EXPECT_STREQ(missing.name(), "");
}

TEST(ResourceRecord, ImageAndFontKindsFixTheirCodes) {
    // Four-character codes: the first character is the most significant byte.
    ImageRecord image("i", 1, 0, nullptr);
    FontRecord font("f", 2, 0, nullptr);
    EXPECT_EQ(image.type(), 0x696D6167u);     // 'imag'
    EXPECT_EQ(image.subtype(), 0x706E6720u);  // 'png '
    EXPECT_EQ(font.type(), 0x666F6E74u);      // 'font'
    EXPECT_EQ(font.subtype(), 0x74797031u);   // 'typ1'
    EXPECT_EQ(image.reserved(), 0);
    EXPECT_EQ(font.reserved(), 0);
}

TEST(ResourceEmbedding, ChecksumIsTheInvertedStandardCrc) {
    // "123456789" is the CRC-32 check string: its standard CRC is 0xCBF43926, so the register
    // before the final inversion holds 0x340BC6D9.
    ASSERT_EQ(test_crc_check_size, 9);
    EXPECT_EQ(std::memcmp(test_crc_check_bytes, "123456789", 9), 0);
    EXPECT_EQ(test_crc_check_checksum, 0x340BC6D9u);
    EXPECT_EQ(test_crc_check_checksum, invertedCrc(test_crc_check_bytes, 9));
}

#if defined(ORVANE_HAVE_RESOURCES)

TEST(EmbeddedResources, ResMapListsTheFourRecordsInOrderWithItsCount) {
    const char* names[] = {"qorin_back", "qorin_poti_01", "qorin_poti_02", "u004004t"};
    EXPECT_EQ(ResMap.count, 4);
    // The count follows the four two-pointer entries directly.
    EXPECT_EQ(offsetof(ResMapTable, count), 4 * 2 * sizeof(void*));
    for (int i = 0; i < 4; ++i) {
        EXPECT_STREQ(ResMap.entries[i].name, names[i]);
        ASSERT_NE(ResMap.entries[i].record, nullptr);
        EXPECT_STREQ(ResMap.entries[i].record->name(), names[i]);
        EXPECT_EQ(EmbeddedResources::find(names[i]), ResMap.entries[i].record);
    }
    EXPECT_EQ(&EmbeddedResources::background(), ResMap.entries[0].record);
    EXPECT_EQ(&EmbeddedResources::largeKnobStrip(), ResMap.entries[1].record);
    EXPECT_EQ(&EmbeddedResources::smallKnobStrip(), ResMap.entries[2].record);
    EXPECT_EQ(&EmbeddedResources::displayFont(), ResMap.entries[3].record);
    EXPECT_EQ(EmbeddedResources::find("nothing"), nullptr);
    EXPECT_EQ(EmbeddedResources::find(nullptr), nullptr);
}

TEST(EmbeddedResources, KindsAndChecksumsMatchTheBytes) {
    for (const TResMap& entry : ResMap.entries) {
        const ResourceRecord& r = *entry.record;
        SCOPED_TRACE(r.name());
        ASSERT_GT(r.size(), 8);
        EXPECT_EQ(r.checksum(), invertedCrc(r.data(), r.size()));
        EXPECT_EQ(r.reserved(), 0);
        if (r.type() == ResourceRecord::kImageType) {
            EXPECT_EQ(r.subtype(), ResourceRecord::kPngSubtype);
            const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
            EXPECT_EQ(std::memcmp(r.data(), signature, 8), 0);
        } else {
            EXPECT_EQ(r.type(), ResourceRecord::kFontType);
            EXPECT_EQ(r.subtype(), ResourceRecord::kType1Subtype);
            // A PFB file opens with an ASCII segment: 0x80 0x01.
            EXPECT_EQ(r.data()[0], 0x80);
            EXPECT_EQ(r.data()[1], 0x01);
        }
    }
}

#endif
