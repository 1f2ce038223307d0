// Reading Standard MIDI Files: both file types, running status, one- and two-byte messages,
// tempo events, SMPTE division, and the malformed files the renderer refuses with a reason.
#include <gtest/gtest.h>

#include <string>

#include "MidiFile.h"
#include "MidiFileError.h"
#include "SmfBuilder.h"

namespace {

std::string errorOf(const std::vector<uint8_t>& bytes) {
    try {
        MidiFile::parse(bytes);
    } catch (const MidiFileError& e) {
        return e.what();
    }
    return "";
}

TEST(MidiFileReading, Type0WithRunningStatusMetaAndSysex) {
    SmfBuilder smf(0, 96);
    smf.track()
        .event(0, {0x91, 60, 100})
        .event(10, {62, 90})                       // running status
        .event(0, {0xFF, 0x03, 0x02, 'N', 'a'})    // a track name keeps running status
        .event(200, {60, 0})                       // a two-byte delta: 0x81 0x48
        .event(0, {0xF0, 0x03, 0x7E, 0x7F, 0xF7})  // system exclusive
        .event(5, {0xC3, 7})                       // program change: one data byte
        .event(1, {9})                             //   in running status
        .event(0, {0xE2, 0x10, 0x40})              // pitch bend: two
        .event(0, {0xD5, 33})                      // channel pressure: one
        .event(0xFFFFFFF, {0xB9, 64, 127})         // the largest delta time
        .endOfTrack(7)
        .event(0, {0x90, 1, 1});  // after the end of track: not part of the track
    std::vector<uint8_t> bytes = smf.bytes();
    // An unknown chunk between the header and the track is skipped.
    const std::vector<uint8_t> alien = {'X', 'Y', 'Z', 'W', 0, 0, 0, 2, 0xAA, 0xBB};
    bytes.insert(bytes.begin() + 14, alien.begin(), alien.end());
    const MidiFile file = MidiFile::parse(bytes);
    EXPECT_EQ(file.format(), 0);
    EXPECT_EQ(file.division().ticksPerQuarter, 96);
    struct Row {
        uint64_t tick;
        int status, data1, data2, count;
    };
    const Row rows[] = {{0, 0x91, 60, 100, 2}, {10, 0x91, 62, 90, 2},
                        {210, 0x91, 60, 0, 2}, {215, 0xC3, 7, 0, 1},
                        {216, 0xC3, 9, 0, 1},  {216, 0xE2, 16, 64, 2},
                        {216, 0xD5, 33, 0, 1}, {216 + 0xFFFFFFF, 0xB9, 64, 127, 2}};
    ASSERT_EQ(file.events().size(), std::size(rows));
    for (size_t i = 0; i < std::size(rows); ++i) {
        const MidiEvent& e = file.events()[i];
        EXPECT_EQ(e.tick, rows[i].tick) << i;
        EXPECT_EQ(e.status, rows[i].status) << i;
        EXPECT_EQ(e.data1, rows[i].data1) << i;
        EXPECT_EQ(e.data2, rows[i].data2) << i;
        EXPECT_EQ(e.dataCount, rows[i].count) << i;
    }
    EXPECT_EQ(file.endTick(), 216u + 0xFFFFFFFu + 7u);
}

TEST(MidiFileReading, Type1MergesTracksByTickEarlierTrackFirst) {
    SmfBuilder smf(1, 480);
    smf.track().tempo(0, 400000).tempo(960, 600000).endOfTrack();
    smf.track().event(0, {0x90, 60, 1}).event(480, {0x90, 61, 2}).event(0, {0x80, 60, 0});
    smf.track().event(480, {0x92, 70, 3}).event(0, {0x92, 71, 4}).event(1, {0xB2, 64, 0});
    const MidiFile file = MidiFile::parse(smf.endOfTrack().bytes());
    const int data1[] = {60, 61, 60, 70, 71, 64};  // tick 480: track 1's two events first
    ASSERT_EQ(file.events().size(), 6u);
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(file.events()[i].data1, data1[i]);
        EXPECT_EQ(file.events()[i].track, i < 3 ? 1 : 2);
    }
    ASSERT_EQ(file.tempoChanges().size(), 2u);
    EXPECT_EQ(file.tempoChanges()[1].tick, 960u);
    EXPECT_EQ(file.tempoChanges()[1].microsecondsPerQuarter, 600000u);

    // 0xE7 is -25: 25 frames per second, 40 ticks per frame; SMPTE time ignores the tempo.
    SmfBuilder smpte(0, 0xE728);
    const MidiFile pal = MidiFile::parse(smpte.track().tempo(0, 250000).endOfTrack().bytes());
    EXPECT_TRUE(pal.division().smpte);
    EXPECT_EQ(pal.division().framesPerSecond, 25);
    EXPECT_EQ(pal.division().ticksPerFrame, 40);
    EXPECT_TRUE(pal.tempoChanges().empty());
}

TEST(MidiFileRefusal, MalformedFilesNameTheirFault) {
    const auto file = [](uint16_t division, std::initializer_list<int> bytes, int format = 0) {
        SmfBuilder smf(format, division);
        return smf.track().event(0, bytes).endOfTrack().bytes();
    };
    std::vector<uint8_t> whole = file(96, {0x90, 60, 100});
    std::vector<uint8_t> longDelta = whole;  // a 5-byte delta time before the end of track
    longDelta.insert(longDelta.end() - 4, 4, 0x81);
    longDelta[21] += 4;  // the track's length
    const std::pair<std::vector<uint8_t>, std::string> cases[] = {
        {{'R', 'I', 'F', 'F', 0x24, 0, 0, 0, 'W', 'A', 'V', 'E'}, "not a MIDI file"},
        {{'M', 'T', 'h', 'd', 0, 0}, "truncated MIDI header"},
        {std::vector<uint8_t>(whole.begin(), whole.end() - 2), "track 1 is truncated"},
        {SmfBuilder(0, 96).track().endOfTrack().bytes(2), "ends before track 2"},
        {file(96, {60, 100}), "without a status"},
        {file(96, {0x90, 60, 0x80}), "where a data byte belongs"},
        {file(96, {0xF8}), "unexpected status byte 0xF8"},
        {longDelta, "longer than 4 bytes (in a delta time)"},
        {file(96, {0xFF, 0x51, 0x03, 0, 0, 0}), "tempo of 0"},
        {file(96, {0xFF, 0x51, 0x02, 0x07, 0xA1}), "malformed tempo"},
        {file(96, {0xB0, 64, 0}, 2), "type 2"},
        {file(0, {0xB0, 64, 0}), "0 ticks per quarter"},
        {file(0xEA28, {0xB0, 64, 0}), "SMPTE frame rate 22"},  // 0xEA is -22
    };
    for (const auto& [bytes, message] : cases) {
        const std::string error = errorOf(bytes);
        EXPECT_NE(error.find(message), std::string::npos) << message << ": " << error;
    }
    EXPECT_EQ(errorOf(file(0xE304, {0xB0, 64, 0})), "");  // -29 is 29.97 fps
}

}  // namespace
