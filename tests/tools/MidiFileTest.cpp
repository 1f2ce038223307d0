// Reading Standard MIDI Files: both file types, running status, tempo events, SMPTE division,
// and the malformed files the renderer must refuse with a clear reason.

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

TEST(MidiFileReading, Type0WithRunningStatusAcrossChannels) {
    // Note on, then two more notes and their note-offs in running status (0x9X with velocity 0),
    // then a controller on another channel, a program change (one data byte) in running status.
    SmfBuilder smf(0, 96);
    smf.track()
        .event(0, {0x91, 60, 100})
        .event(10, {62, 90})
        .event(0, {64, 80})
        .event(96, {60, 0})
        .event(0, {0xB9, 64, 127})
        .event(5, {0xC3, 7})
        .event(1, {9})
        .endOfTrack(7);
    const MidiFile file = MidiFile::parse(smf.bytes());
    EXPECT_EQ(file.format(), 0);
    EXPECT_EQ(file.trackCount(), 1);
    EXPECT_FALSE(file.division().smpte);
    EXPECT_EQ(file.division().ticksPerQuarter, 96);

    const auto& e = file.events();
    ASSERT_EQ(e.size(), 7u);
    const uint64_t ticks[] = {0, 10, 10, 106, 106, 111, 112};
    const int status[] = {0x91, 0x91, 0x91, 0x91, 0xB9, 0xC3, 0xC3};
    const int data1[] = {60, 62, 64, 60, 64, 7, 9};
    const int data2[] = {100, 90, 80, 0, 127, 0, 0};
    const int counts[] = {2, 2, 2, 2, 2, 1, 1};
    for (size_t i = 0; i < e.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(e[i].tick, ticks[i]);
        EXPECT_EQ(e[i].status, status[i]);
        EXPECT_EQ(e[i].data1, data1[i]);
        EXPECT_EQ(e[i].data2, data2[i]);
        EXPECT_EQ(e[i].dataCount, counts[i]);
    }
    EXPECT_EQ(file.endTick(), 119u);  // the end-of-track event 7 ticks after the last message
}

TEST(MidiFileReading, Type1MergesTracksByTickEarlierTrackFirst) {
    SmfBuilder smf(1, 480);
    smf.track().tempo(0, 400000).tempo(960, 600000).endOfTrack();
    smf.track().event(0, {0x90, 60, 1}).event(480, {0x90, 61, 2}).event(0, {0x80, 60, 0});
    smf.track().event(480, {0x92, 70, 3}).event(0, {0x92, 71, 4}).event(1, {0xB2, 64, 0});
    smf.endOfTrack();
    const MidiFile file = MidiFile::parse(smf.bytes());
    EXPECT_EQ(file.format(), 1);
    EXPECT_EQ(file.trackCount(), 3);

    // Tick 480 holds two events of track 1 and two of track 2: track 1's come first, each
    // track's in its own order.
    const auto& e = file.events();
    ASSERT_EQ(e.size(), 6u);
    const int track[] = {1, 1, 1, 2, 2, 2};
    const int data1[] = {60, 61, 60, 70, 71, 64};
    const uint64_t ticks[] = {0, 480, 480, 480, 480, 481};
    for (size_t i = 0; i < e.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(e[i].track, track[i]);
        EXPECT_EQ(e[i].data1, data1[i]);
        EXPECT_EQ(e[i].tick, ticks[i]);
    }
    ASSERT_EQ(file.tempoChanges().size(), 2u);
    EXPECT_EQ(file.tempoChanges()[0].tick, 0u);
    EXPECT_EQ(file.tempoChanges()[0].microsecondsPerQuarter, 400000u);
    EXPECT_EQ(file.tempoChanges()[1].tick, 960u);
    EXPECT_EQ(file.tempoChanges()[1].microsecondsPerQuarter, 600000u);
}

TEST(MidiFileReading, SkipsMetaSysexAndAlienChunksAndKeepsRunningStatus) {
    SmfBuilder smf(0, 96);
    smf.track()
        .event(0, {0x90, 60, 100})
        .event(0, {0xFF, 0x03, 0x04, 'N', 'a', 'm', 'e'})  // track name
        .event(4, {62, 100})                               // running status after a meta event
        .event(0, {0xF0, 0x03, 0x7E, 0x7F, 0xF7})          // system exclusive
        .event(0xFFFFFFF, {0x80, 60, 0})                   // the largest delta time, 4 bytes long
        .endOfTrack()
        .event(0, {0x90, 1, 1});  // after the end of track: not part of the track
    std::vector<uint8_t> bytes = smf.bytes();
    // An unknown chunk between the header and the track is skipped.
    const std::vector<uint8_t> alien = {'X', 'Y', 'Z', 'W', 0, 0, 0, 2, 0xAA, 0xBB};
    bytes.insert(bytes.begin() + 14, alien.begin(), alien.end());
    const MidiFile file = MidiFile::parse(bytes);
    const auto& e = file.events();
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[1].status, 0x90);
    EXPECT_EQ(e[1].data1, 62);
    EXPECT_EQ(e[1].tick, 4u);
    EXPECT_EQ(e[2].tick, 4u + 0xFFFFFFFu);
}

TEST(MidiFileReading, SmpteDivision) {
    // 0xE7 is -25: 25 frames per second; 40 ticks per frame.
    SmfBuilder smf(0, 0xE728);
    smf.track().tempo(0, 250000).event(0, {0x90, 60, 100}).endOfTrack();
    const MidiFile file = MidiFile::parse(smf.bytes());
    EXPECT_TRUE(file.division().smpte);
    EXPECT_EQ(file.division().framesPerSecond, 25);
    EXPECT_EQ(file.division().ticksPerFrame, 40);
    EXPECT_TRUE(file.tempoChanges().empty());  // SMPTE time does not follow the tempo

    SmfBuilder ntsc(0, 0xE304);  // -29: 29.97 frames per second, 4 ticks per frame
    ntsc.track().endOfTrack();
    EXPECT_EQ(MidiFile::parse(ntsc.bytes()).division().framesPerSecond, 29);
}

TEST(MidiFileRefusal, NotAMidiFile) {
    const std::string riff = "RIFF\x24\0\0\0WAVEfmt ";
    EXPECT_NE(errorOf(std::vector<uint8_t>(riff.begin(), riff.end())).find("not a MIDI file"),
              std::string::npos);
    EXPECT_NE(errorOf({}).find("not a MIDI file"), std::string::npos);
    EXPECT_NE(errorOf({'M', 'T', 'h', 'd', 0, 0}).find("truncated MIDI header"), std::string::npos);
}

TEST(MidiFileRefusal, TruncatedTracks) {
    SmfBuilder smf(1, 96);
    smf.track().event(0, {0x90, 60, 100}).event(96, {0x80, 60, 0}).endOfTrack();
    const std::vector<uint8_t> whole = smf.bytes();
    ASSERT_TRUE(errorOf(whole).empty());

    // The file cut inside the track: the chunk declares more bytes than remain.
    const std::vector<uint8_t> cut(whole.begin(), whole.end() - 5);
    const std::string cutError = errorOf(cut);
    EXPECT_NE(cutError.find("track 1 is truncated"), std::string::npos) << cutError;

    // A chunk whose length is honest but whose last event stops half-way.
    SmfBuilder half(0, 96);
    half.track().event(0, {0x90, 60, 100}).event(96, {0x80, 60});
    EXPECT_NE(errorOf(half.bytes()).find("track 1 is truncated"), std::string::npos);

    // The header promises two tracks; the file holds one.
    EXPECT_NE(errorOf(smf.bytes(2)).find("ends before track 2"), std::string::npos);

    // A second chunk header cut short.
    std::vector<uint8_t> shortHeader = smf.bytes(2);
    shortHeader.insert(shortHeader.end(), {'M', 'T', 'r'});
    EXPECT_NE(errorOf(shortHeader).find("track 2 is truncated"), std::string::npos);
}

TEST(MidiFileRefusal, MalformedEvents) {
    SmfBuilder noStatus(0, 96);
    noStatus.track().event(0, {60, 100}).endOfTrack();
    EXPECT_NE(errorOf(noStatus.bytes()).find("without a status"), std::string::npos);

    SmfBuilder statusAsData(0, 96);
    statusAsData.track().event(0, {0x90, 60, 0x80}).endOfTrack();
    EXPECT_NE(errorOf(statusAsData.bytes()).find("where a data byte belongs"), std::string::npos);

    SmfBuilder realtime(0, 96);
    realtime.track().event(0, {0xF8}).endOfTrack();
    EXPECT_NE(errorOf(realtime.bytes()).find("unexpected status byte 0xF8"), std::string::npos);

    SmfBuilder longDelta(0, 96);
    longDelta.track().event(0, {0x90, 60, 1});
    std::vector<uint8_t> b = longDelta.bytes();
    b.insert(b.end(), {0x81, 0x81, 0x81, 0x81, 0x01, 0x80, 60, 0});  // a 5-byte delta time
    b[21] = static_cast<uint8_t>(b.size() - 22);                     // fix the track length
    EXPECT_NE(errorOf(b).find("longer than 4 bytes (in a delta time)"), std::string::npos)
        << errorOf(b);

    SmfBuilder zeroTempo(0, 96);
    zeroTempo.track().tempo(0, 0).endOfTrack();
    EXPECT_NE(errorOf(zeroTempo.bytes()).find("tempo of 0"), std::string::npos);

    SmfBuilder shortTempo(0, 96);
    shortTempo.track().event(0, {0xFF, 0x51, 0x02, 0x07, 0xA1}).endOfTrack();
    EXPECT_NE(errorOf(shortTempo.bytes()).find("malformed tempo"), std::string::npos);
}

TEST(MidiFileRefusal, UnsupportedHeaders) {
    SmfBuilder type2(2, 96);
    type2.track().endOfTrack();
    EXPECT_NE(errorOf(type2.bytes()).find("type 2"), std::string::npos);

    SmfBuilder zeroDivision(0, 0);
    zeroDivision.track().endOfTrack();
    EXPECT_NE(errorOf(zeroDivision.bytes()).find("0 ticks per quarter"), std::string::npos);

    SmfBuilder oddRate(0, 0xE828);  // -24 is fine; 0xEA is -22 frames per second
    oddRate.track().endOfTrack();
    EXPECT_TRUE(errorOf(oddRate.bytes()).empty());
    SmfBuilder badRate(0, 0xEA28);
    badRate.track().endOfTrack();
    EXPECT_NE(errorOf(badRate.bytes()).find("SMPTE frame rate 22"), std::string::npos);
}

TEST(MidiFileReading, LoadReportsMissingFilesAndDirectories) {
    try {
        MidiFile::load("/nonexistent/file.mid");
        FAIL() << "a missing file loaded";
    } catch (const MidiFileError& e) {
        EXPECT_NE(std::string(e.what()).find("No such file"), std::string::npos);
    }
    try {
        MidiFile::load("/");
        FAIL() << "a directory loaded";
    } catch (const MidiFileError& e) {
        EXPECT_NE(std::string(e.what()).find("directory"), std::string::npos);
    }
}

}  // namespace
