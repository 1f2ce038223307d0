// The factory presets as a host meets them: the program file the build writes for each, its
// chunk loaded into the module, the same state as the preset's host values, and sound.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FactoryPresets.h"
#include "HostPlay.h"

namespace {

using namespace vst2;

// The big-endian word at a program file's offset.
int32_t word(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<int32_t>(uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 |
                                uint32_t(b[at + 2]) << 8 | uint32_t(b[at + 3]));
}

std::vector<uint8_t> savedChunk(const TestHost& host) {
    void* data = nullptr;
    const intptr_t size = host.dispatch(effGetChunk, 0, 0, &data);
    const auto* bytes = static_cast<const uint8_t*>(data);
    return data != nullptr ? std::vector<uint8_t>(bytes, bytes + size) : std::vector<uint8_t>();
}

TEST(FactoryPreset, ProgramFilesLoadAndSound) {
    for (const FactoryPresets::Preset& preset : FactoryPresets::kAll) {
        SCOPED_TRACE(preset.name);
        std::ifstream in(std::string(ORVANE_PRESETS_DIR) + "/" + preset.name + ".fxp",
                         std::ios::binary);
        const std::vector<uint8_t> file{std::istreambuf_iterator<char>(in), {}};
        ASSERT_EQ(file.size(), 60u + 68u);  // the header, then the 68-byte chunk
        TestHost host;
        ASSERT_NE(host.open(), nullptr);
        const AEffect& e = *host.effect();
        EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "CcnK");
        EXPECT_EQ(word(file, 4), 128 - 8);
        EXPECT_EQ(std::string(file.begin() + 8, file.begin() + 12), "FPCh");
        EXPECT_EQ(word(file, 12), 1);
        EXPECT_EQ(word(file, 16), e.uniqueID);
        EXPECT_EQ(std::string(file.begin() + 16, file.begin() + 20), "qn58");
        EXPECT_EQ(word(file, 20), e.version);
        EXPECT_EQ(word(file, 24), e.numParams);
        EXPECT_STREQ(reinterpret_cast<const char*>(file.data() + 28), preset.name);
        EXPECT_EQ(word(file, 56), 68);

        // The chunk loads and saves back unchanged, and reads as the preset's host values (the
        // renderer sets those).
        const std::vector<uint8_t> chunk(file.begin() + 60, file.end());
        EXPECT_EQ(host.dispatch(effSetChunk, 0, 68, const_cast<uint8_t*>(chunk.data())), 68);
        EXPECT_EQ(savedChunk(host), chunk);
        for (int32_t slot = 1; slot <= FactoryPresets::kSlotCount; ++slot) {
            EXPECT_EQ(host.get(slot), FactoryPresets::hostValue(preset, slot)) << slot;
        }

        // A chord held 0.5 s: finite, and far above the 1e-7 anti-denormal offsets.
        std::vector<float> values;
        for (int32_t slot = 1; slot <= FactoryPresets::kSlotCount; ++slot) {
            values.push_back(FactoryPresets::hostValue(preset, slot));
        }
        std::vector<Message> chord;
        for (int64_t frame : {0, 22050}) {
            for (uint8_t note : {48, 60, 64, 67}) {
                chord.push_back({frame, uint8_t(frame == 0 ? 0x90 : 0x80), note, 100});
            }
        }
        const Stereo play = ::play(44100.0f, 512, chord, 44100, values);
        float peak = 0.0f;
        for (size_t i = 0; i < play.left.size(); ++i) {
            ASSERT_TRUE(std::isfinite(play.left[i]) && std::isfinite(play.right[i])) << i;
            peak = std::max({peak, std::fabs(play.left[i]), std::fabs(play.right[i])});
        }
        EXPECT_GT(peak, 1e-3f);
    }
}

}  // namespace
