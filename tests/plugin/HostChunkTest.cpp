// The 68-byte chunk through the effect record: its bytes field by field, round trips, refusals,
// a chunk from a machine of the other byte order, and words that leave only their own
// parameter unchanged.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <limits>

#include "TestHost.h"

namespace {

using namespace vst2;
using Chunk = std::array<uint8_t, 68>;

template <typename T>
T field(const Chunk& c, size_t offset) {
    T v;
    std::memcpy(&v, c.data() + offset, sizeof v);
    return v;
}

template <typename T>
void setField(Chunk& c, size_t offset, T v) {
    std::memcpy(c.data() + offset, &v, sizeof v);
}

// Offset of the value word of slot i (slot 0 at 24).
size_t word(int32_t slot) {
    return 24 + 4 * static_cast<size_t>(slot);
}

class HostChunk : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(host.open(), nullptr) << ORVANE_PLUGIN_PATH; }

    Chunk save() const {
        void* data = nullptr;
        Chunk c{};
        EXPECT_EQ(host.dispatch(effGetChunk, 0, 0, &data), 68);
        std::memcpy(c.data(), data, c.size());
        return c;
    }

    intptr_t load(Chunk c, intptr_t size = 68) const {
        return host.dispatch(effSetChunk, 0, size, c.data());
    }

    std::array<float, 11> values() const {
        std::array<float, 11> v{};
        for (int32_t i = 0; i < 11; ++i) {
            v[static_cast<size_t>(i)] = host.get(i);
        }
        return v;
    }

    TestHost host;
};

TEST_F(HostChunk, BytesHoldTheHeaderAndRealValues) {
    host.set(8, 0.5f);        // step 60 of 120: 8 / 120 * 60 = 4 Hz
    host.set(7, 0.75f);       // step 75: -50 + 75 = 25 cents
    host.set(3, 0.51f);       // step 51: 1 + 0.18 = 1.18
    host.set(6, 36.0f / 72);  // step 36: 37 voices
    host.set(1, 0.29f);       // step 29: two digits of 38.02
    const Chunk c = save();
    EXPECT_EQ(field<uint32_t>(c, 0), 68u);
    EXPECT_EQ(field<uint16_t>(c, 4), 1u);  // version, then a zero flag and reserved byte
    EXPECT_EQ(field<uint16_t>(c, 6), 0u);
    EXPECT_EQ(field<int32_t>(c, 8), 11);
    // Four-character codes, first character most significant: 'ORVN' reads N, V, R, O in
    // little-endian memory.
    EXPECT_EQ(std::string(c.begin() + 12, c.begin() + 20), "NVROPMAS");
    EXPECT_EQ(field<int32_t>(c, 20), 213);
    // Real values: Release 100 %, Damper 1, Stereo 100, depth 0 %, Tremolo Stereo 180 degrees;
    // the float step arithmetic (e.g. 8/120 * 60) may differ from the exact value by an ulp.
    const float expected[11] = {0, 38, 100, 1.18f, 1, 100, 37, 25, 4, 0, 180};
    for (int32_t i = 0; i <= 10; ++i) {
        EXPECT_FLOAT_EQ(field<float>(c, word(i)), expected[i]) << "slot " << i;
    }
    EXPECT_EQ(host.dispatch(effGetChunk, 0, 0, nullptr), 68);  // no pointer: still the size
}

TEST_F(HostChunk, RoundTripsRestoreEveryStep) {
    const int32_t steps[11] = {0, 50, 50, 37, 81, 13, 55, 91, 117, 3, 7};
    const int32_t counts[11] = {1, 100, 100, 100, 100, 100, 72, 100, 120, 100, 18};
    for (int32_t i = 3; i <= 10; ++i) {
        host.set(i, static_cast<float>(steps[i]) / static_cast<float>(counts[i]));
    }
    const auto before = values();
    const Chunk c = save();
    for (int32_t i = 3; i <= 10; ++i) {
        host.set(i, 0.0f);
    }
    EXPECT_EQ(load(c), 68);
    EXPECT_EQ(values(), before);

    // The log kind comes back at the step of its two-digit value: 10 -> 0, 11 -> log10(1.1) *
    // 50 = 2.07 -> 2, 100 -> 50, 38 -> log10(3.8) * 50 = 28.99 -> 29.
    const std::pair<int32_t, int32_t> cases[] = {{1, 0}, {2, 0}, {3, 2}, {51, 50}, {29, 29}};
    for (const auto& [written, expected] : cases) {
        host.set(1, static_cast<float>(written) / 100.0f);
        const Chunk saved = save();
        host.set(1, 0.77f);
        load(saved);
        EXPECT_EQ(host.get(1), static_cast<float>(expected) / 100.0f) << "step " << written;
    }
}

TEST_F(HostChunk, RefusedChunksChangeNothingButAnswerTheSize) {
    const Chunk good = save();
    host.set(9, 0.4f);
    const auto before = values();
    // Offset and the value written there: model, count, size, version, reserved byte, maker
    // code ('Orvn'), kind code ('sAMP').
    const std::pair<size_t, uint8_t> faults[] = {{20, 214}, {8, 10},   {0, 64},  {4, 2},
                                                 {7, 1},    {12, 'n'}, {19, 's'}};
    for (const auto& [offset, byte] : faults) {
        Chunk bad = good;
        bad[offset] = byte;
        EXPECT_EQ(load(bad), 68);
        EXPECT_EQ(values(), before) << "offset " << offset;
    }
    EXPECT_EQ(load(good, 67), 67);  // too short
    EXPECT_EQ(host.dispatch(effSetChunk, 0, 68, nullptr), 68);
    EXPECT_EQ(values(), before);
    EXPECT_EQ(load(good, 100), 100);  // longer data: the first 68 bytes are the chunk
    EXPECT_EQ(host.get(9), 0.0f);
}

TEST_F(HostChunk, ChunkFromTheOtherByteOrderIsAccepted) {
    // Written by a big-endian machine: every field most significant byte first, flag byte set.
    Chunk c{};
    const auto putBig = [&c](size_t offset, uint32_t v, size_t bytes) {
        for (size_t k = 0; k < bytes; ++k) {
            c[offset + k] = static_cast<uint8_t>(v >> (8 * (bytes - 1 - k)));
        }
    };
    putBig(0, 68, 4);
    putBig(4, 1, 2);
    c[6] = 1;
    putBig(8, 11, 4);
    std::memcpy(c.data() + 12, "ORVNSAMP", 8);
    putBig(20, 213, 4);
    // Damper 5.6 lies between the knee's steps 75 and 76: (5.6 - 1) / 0.18 = 25.56 above the
    // knee at 50, so the nearest is 76.
    const float words[11] = {0, 1000, 10, 10, 5.6f, 50, 73, 50, 8, 100, 0};
    for (int32_t i = 0; i < 11; ++i) {
        uint32_t bits;
        std::memcpy(&bits, &words[i], 4);
        putBig(word(i), bits, 4);
    }
    EXPECT_EQ(load(c), 68);
    const float expected[11] = {0, 1, 0, 1, 0.76f, 0.5f, 1, 1, 1, 1, 0};
    for (int32_t i = 1; i <= 10; ++i) {
        EXPECT_EQ(host.get(i), expected[i]) << "slot " << i;
    }
}

TEST_F(HostChunk, BadWordLeavesOnlyItsParameter) {
    for (float bad : {std::numeric_limits<float>::quiet_NaN(),
                      std::numeric_limits<float>::infinity(), 5.0f, 1001.0f}) {
        host.set(1, 0.3f);
        host.set(9, 0.0f);
        Chunk c = save();
        setField<float>(c, word(1), bad);
        setField<float>(c, word(9), 60.0f);
        EXPECT_EQ(load(c), 68);
        EXPECT_EQ(host.get(1), 0.3f) << "word " << bad;
        EXPECT_EQ(host.get(9), 0.6f);
    }
}

}  // namespace
