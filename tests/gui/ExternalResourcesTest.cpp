#include <gtest/gtest.h>

#include <string>

#include "ExternalRecord.h"
#include "ExternalResources.h"
#include "Image.h"
#include "ImageTable.h"
#include "SharedLibrary.h"

TEST(ExternalResources, NoModulesAnswersFalseForEveryName) {
    ExternalResources none;
    EXPECT_EQ(none.load(ORVANE_TEST_EMPTY_DIR), 0u);
    EXPECT_EQ(none.load(std::string(ORVANE_TEST_EMPTY_DIR) + "/does-not-exist"), 0u);
    ExternalRecord* record = nullptr;
    EXPECT_FALSE(none.find("shared_name", &record));
    EXPECT_FALSE(none.find("qorin_back", &record));
    EXPECT_EQ(record, nullptr);
}

TEST(ExternalResources, KeepsOnlyModulesExportingGetRessourceInNameOrder) {
    ExternalResources externals;
    // alpha and beta export GetRessource; gamma does not; broken_Res is no library.
    ASSERT_EQ(externals.load(ORVANE_TEST_MODULE_DIR), 2u);
    const std::string suffix = SharedLibrary::fileSuffix();  // ".so", ".dll"
    EXPECT_NE(externals.modulePath(0).find("alpha_Res" + suffix), std::string::npos);
    EXPECT_NE(externals.modulePath(1).find("beta_Res" + suffix), std::string::npos);
}

TEST(ExternalResources, FirstLoadedModuleWins) {
    ExternalResources externals;
    ASSERT_EQ(externals.load(ORVANE_TEST_MODULE_DIR), 2u);
    ExternalRecord* record = nullptr;
    ASSERT_TRUE(externals.find("shared_name", &record));
    ImageTable table;
    auto image = ImageTable::decode(record->data(), static_cast<size_t>(record->size()), false);
    ASSERT_TRUE(image);
    // alpha's pixel is red: bytes blue, green, red, alpha.
    EXPECT_EQ(image->pixelAddress(0, 0)[2], 255);
    EXPECT_EQ(image->pixelAddress(0, 0)[0], 0);

    ASSERT_TRUE(externals.find("beta_only", &record));
    EXPECT_STREQ(record->name(), "beta_only");
    EXPECT_FALSE(externals.find("nobody_knows", &record));
    externals.unloadAll();
    EXPECT_EQ(externals.count(), 0u);
    EXPECT_FALSE(externals.find("shared_name", &record));
}

TEST(ExternalResources, ImageByNameComesFromTheTableFirstThenTheModules) {
    ExternalResources externals;
    ASSERT_EQ(externals.load(ORVANE_TEST_MODULE_DIR), 2u);
    ImageTable table;
    auto image = table.imageNamed("shared_name", externals, false);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->name(), "shared_name");
    EXPECT_EQ(image->width(), 1);
    EXPECT_EQ(table.find("shared_name"), image);
    // Once in the table, the modules are no longer asked.
    externals.unloadAll();
    EXPECT_EQ(table.imageNamed("shared_name", externals, false), image);
    EXPECT_FALSE(table.imageNamed("alpha_only", externals, false));
}
