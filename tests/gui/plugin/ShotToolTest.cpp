#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "EmbeddedResources.h"
#include "Image.h"
#include "ImageTable.h"

namespace {

int runShot(const std::string& arguments) {
    const std::string command =
        std::string(ORVANE_SHOT_TOOL) + " " + arguments + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::unique_ptr<Image> readPng(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                     std::istreambuf_iterator<char>());
    return ImageTable::decode(bytes.data(), bytes.size(), false);
}

std::string scratch(const char* name) {
    return std::string(ORVANE_TEST_SCRATCH_DIR) + "/" + name;
}

bool samePixel(const Image& a, const Image& b, int x, int y) {
    const uint8_t* p = a.pixelAddress(x, y);
    const uint8_t* q = b.pixelAddress(x, y);
    return p[0] == q[0] && p[1] == q[1] && p[2] == q[2];
}

}  // namespace

TEST(ShotTool, WritesWhatTheEditorShows) {
    const std::string out = scratch("shot-default.png");
    std::remove(out.c_str());
    ASSERT_EQ(runShot(out), 0);
    auto shot = readPng(out);
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->width(), 600);
    EXPECT_EQ(shot->height(), 246);
    auto background = ImageTable::decode(EmbeddedResources::background().data(),
                                         EmbeddedResources::background().size(), false);
    ASSERT_TRUE(background);
    EXPECT_TRUE(samePixel(*shot, *background, 5, 5));
    EXPECT_TRUE(samePixel(*shot, *background, 300, 100));
}

TEST(ShotTool, ParametersTurnTheKnobs) {
    const std::string plain = scratch("shot-plain.png");
    const std::string turned = scratch("shot-decay.png");
    ASSERT_EQ(runShot(plain), 0);
    ASSERT_EQ(runShot("--param Decay=1 " + turned), 0);
    auto a = readPng(plain);
    auto b = readPng(turned);
    ASSERT_TRUE(a && b);
    // Only the Decay knob (26, 145)..(82, 200) differs.
    int inside = 0;
    for (int y = 0; y < 246; ++y) {
        for (int x = 0; x < 600; ++x) {
            if (!samePixel(*a, *b, x, y)) {
                ASSERT_TRUE(x >= 26 && x < 82 && y >= 145 && y < 200) << x << "," << y;
                ++inside;
            }
        }
    }
    EXPECT_GT(inside, 0);
}

TEST(ShotTool, BadArgumentsFailWithoutOutput) {
    const std::string out = scratch("shot-bad.png");
    std::remove(out.c_str());
    EXPECT_NE(runShot("--param Nonsense=0.5 " + out), 0);
    EXPECT_NE(runShot("--param Decay=1.5 " + out), 0);
    EXPECT_NE(runShot("--param Decay " + out), 0);
    EXPECT_NE(runShot(""), 0);
    std::ifstream file(out);
    EXPECT_FALSE(file.good());
}
