#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Image.h"
#include "ImageTable.h"

namespace {

const std::string kDir = ORVANE_TEST_SCRATCH_DIR;

int runShot(const std::string& arguments) {
    const std::string command =
        std::string(ORVANE_SHOT_TOOL) + " " + arguments + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::unique_ptr<Image> readPng(const std::string& name) {
    std::ifstream file(kDir + name, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                     std::istreambuf_iterator<char>());
    return ImageTable::decode(bytes.data(), bytes.size(), false);
}

}  // namespace

TEST(ShotTool, WritesTheEditorWithTheGivenParameters) {
    ASSERT_EQ(runShot(kDir + "/plain.png"), 0);
    ASSERT_EQ(runShot("--param Decay=1 " + kDir + "/decay.png"), 0);
    auto plain = readPng("/plain.png");
    auto turned = readPng("/decay.png");
    ASSERT_TRUE(plain && turned);
    ASSERT_EQ(plain->width(), 600);
    ASSERT_EQ(plain->height(), 246);
    // Only the Decay knob (26, 145)..(82, 200) differs.
    int inside = 0;
    for (int y = 0; y < 246; ++y) {
        for (int x = 0; x < 600; ++x) {
            if (std::memcmp(plain->pixelAddress(x, y), turned->pixelAddress(x, y), 3) != 0) {
                ASSERT_TRUE(x >= 26 && x < 82 && y >= 145 && y < 200) << x << "," << y;
                ++inside;
            }
        }
    }
    EXPECT_GT(inside, 0);
    // Bad arguments fail without output.
    for (const char* arguments :
         {"--param Nonsense=0.5 ", "--param Decay=1.5 ", "--param Decay "}) {
        EXPECT_NE(runShot(arguments + kDir + "/bad.png"), 0) << arguments;
    }
    EXPECT_NE(runShot(""), 0);
    EXPECT_FALSE(std::ifstream(kDir + "/bad.png").good());
}
