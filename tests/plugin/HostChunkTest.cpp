// The 68-byte chunk through the effect record: its bytes field by field, round trips with the
// log kind's two-digit values, refusals, a chunk from a machine of the other byte order, and
// words that must leave only their own parameter unchanged.
#include <gtest/gtest.h>

#include <algorithm>
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
    void SetUp() override {
        ASSERT_TRUE(host.loaded()) << ORVANE_PLUGIN_PATH;
        ASSERT_NE(host.open(), nullptr);
    }

    Chunk save() const {
        void* data = nullptr;
        const intptr_t size = host.dispatch(effGetChunk, 0, 0, &data);
        Chunk c{};
        EXPECT_EQ(size, 68);
        EXPECT_NE(data, nullptr);
        if (size == 68 && data != nullptr) {
            std::memcpy(c.data(), data, c.size());
        }
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

TEST_F(HostChunk, BytesOfTheDefaultChunk) {
    const Chunk c = save();
    EXPECT_EQ(field<uint32_t>(c, 0), 68u);
    EXPECT_EQ(field<uint16_t>(c, 4), 1u);
    EXPECT_EQ(c[6], 0);
    EXPECT_EQ(c[7], 0);
    EXPECT_EQ(field<int32_t>(c, 8), 11);
    // Four-character codes with the first character most significant: in little-endian
    // memory 'ORVN' reads N, V, R, O.
    EXPECT_EQ(field<int32_t>(c, 12), ('O' << 24) | ('R' << 16) | ('V' << 8) | 'N');
    EXPECT_EQ(std::string(c.begin() + 12, c.begin() + 16), "NVRO");
    EXPECT_EQ(std::string(c.begin() + 16, c.begin() + 20), "PMAS");
    EXPECT_EQ(field<int32_t>(c, 20), 213);
    EXPECT_EQ(field<float>(c, word(0)), 0.0f);
    // Real values of the defaults: Decay and Release 100 %, Bell and Damper 1, Stereo 100,
    // Voices 20, Tune 0 cents, rate 0 Hz, depth 0 %, Tremolo Stereo 180 degrees.
    const float expected[10] = {100, 100, 1, 1, 100, 20, 0, 0, 0, 180};
    for (int32_t i = 1; i <= 10; ++i) {
        EXPECT_EQ(field<float>(c, word(i)), expected[i - 1]) << "slot " << i;
    }
}

TEST_F(HostChunk, WordsHoldRealValues) {
    host.set(8, 0.5f);        // step 60 of 120: 8 / 120 * 60 = 4 Hz
    host.set(7, 0.75f);       // step 75: -50 + 75 = 25 cents
    host.set(3, 0.51f);       // step 51: 1 + 0.18 = 1.18
    host.set(6, 36.0f / 72);  // step 36: 37 voices
    host.set(1, 0.29f);       // step 29: two digits of 38.02
    const Chunk c = save();
    // The float step arithmetic (e.g. 8/120 * 60) may differ from the exact value by an ulp.
    EXPECT_FLOAT_EQ(field<float>(c, word(8)), 4.0f);
    EXPECT_FLOAT_EQ(field<float>(c, word(7)), 25.0f);
    EXPECT_FLOAT_EQ(field<float>(c, word(3)), 1.18f);
    EXPECT_FLOAT_EQ(field<float>(c, word(6)), 37.0f);
    EXPECT_EQ(field<float>(c, word(1)), 38.0f);
}

TEST_F(HostChunk, SecondRequestReplacesTheFirstBuffer) {
    void* first = nullptr;
    EXPECT_EQ(host.dispatch(effGetChunk, 0, 0, &first), 68);
    host.set(9, 1.0f);
    void* second = nullptr;
    EXPECT_EQ(host.dispatch(effGetChunk, 1, 0, &second), 68);
    float depth = 0.0f;
    std::memcpy(&depth, static_cast<uint8_t*>(second) + word(9), 4);
    EXPECT_EQ(depth, 100.0f);
    EXPECT_EQ(host.dispatch(effGetChunk, 0, 0, nullptr), 68);  // no pointer: still the size
}

TEST_F(HostChunk, RoundTripRestoresLinearAndKneeSteps) {
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
}

TEST_F(HostChunk, LogParametersComeBackAtTheStepOfTheirTwoDigitValue) {
    // Written real value -> inverse step: 10 -> 0, 11 -> log10(1.1) * 50 = 2.07 -> 2,
    // 100 -> 50, 38 -> log10(3.8) * 50 = 28.99 -> 29.
    const std::pair<int32_t, int32_t> cases[] = {{1, 0}, {2, 0}, {3, 2}, {51, 50}, {29, 29}};
    for (const auto& [written, expected] : cases) {
        host.set(1, static_cast<float>(written) / 100.0f);
        const Chunk c = save();
        host.set(1, 0.77f);
        load(c);
        EXPECT_EQ(host.get(1), static_cast<float>(expected) / 100.0f) << "step " << written;
    }
}

TEST_F(HostChunk, RefusedChunksChangeNothingButAnswerTheSize) {
    const Chunk good = save();
    host.set(9, 0.4f);
    const auto before = values();

    Chunk model = good;
    setField<int32_t>(model, 20, 214);
    Chunk count = good;
    setField<int32_t>(count, 8, 10);
    Chunk size = good;
    setField<uint32_t>(size, 0, 64);
    Chunk version = good;
    setField<uint16_t>(version, 4, 2);
    Chunk reserved = good;
    reserved[7] = 1;
    Chunk maker = good;
    maker[12] ^= 0x20;
    Chunk kind = good;
    kind[19] ^= 0x20;
    for (const Chunk& bad : {model, count, size, version, reserved, maker, kind}) {
        EXPECT_EQ(load(bad), 68);
        EXPECT_EQ(values(), before);
    }
    EXPECT_EQ(load(good, 67), 67);  // too short
    EXPECT_EQ(values(), before);
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
    const float words[11] = {0, 1000, 10, 10, 0, 50, 73, 50, 8, 100, 0};
    for (int32_t i = 0; i < 11; ++i) {
        uint32_t bits;
        std::memcpy(&bits, &words[i], 4);
        putBig(word(i), bits, 4);
    }
    EXPECT_EQ(load(c), 68);
    const float expected[11] = {0, 1, 0, 1, 0, 0.5f, 1, 1, 1, 1, 0};
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
        host.set(9, 0.2f);
        EXPECT_EQ(load(c), 68);
        EXPECT_EQ(host.get(1), 0.3f) << "word " << bad;
        EXPECT_EQ(host.get(9), 0.6f);
    }
}

}  // namespace
