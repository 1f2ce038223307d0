// Where events land: ticks to seconds through the tempo map, seconds to frames by
// floor(t * rate), frames to host blocks with deltaFrames, and the length of a render.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "BlockScheduler.h"
#include "MidiFile.h"
#include "Renderer.h"
#include "SmfBuilder.h"
#include "TempoMap.h"

namespace {

TimeDivision ppq(int ticks) {
    return TimeDivision{false, ticks, 0, 0};
}

TEST(TempoMapFrames, DefaultTempoIs120BeatsPerMinute) {
    // No tempo event: a quarter note is 0.5 s, so at 480 ticks per quarter a tick is 1/960 s.
    const TempoMap map(ppq(480), {});
    EXPECT_EQ(map.frameAt(0, 44100), 0);
    EXPECT_EQ(map.frameAt(960, 44100), 44100);  // 1 s
    // 1 tick = 44100 / 960 = 45.9375 frames: floor gives 45.
    EXPECT_EQ(map.frameAt(1, 44100), 45);
    // 176 ticks = 176/960 s = 0.18333... s, exactly 8085 frames. Computed in doubles the
    // product comes out a hair below 8085 and would floor to 8084.
    EXPECT_EQ(map.frameAt(176, 44100), 8085);
    EXPECT_DOUBLE_EQ(map.secondsAt(176), 176.0 / 960.0);
}

TEST(TempoMapFrames, TempoChangesAccumulate) {
    // 480 ticks per quarter; 500000 us/quarter until tick 960, then 400000 until 1440, then
    // 750000. Seconds by hand:
    //   tick  240: 240/480 * 0.5                      = 0.25
    //   tick  960: 960/480 * 0.5                      = 1.0
    //   tick 1200: 1.0 + 240/480 * 0.4                = 1.2
    //   tick 1440: 1.0 + 480/480 * 0.4                = 1.4
    //   tick 1500: 1.4 + 60/480 * 0.75 = 1.4 + 0.09375 = 1.49375
    const TempoMap map(ppq(480), {{960, 400000}, {1440, 750000}});
    const uint64_t ticks[] = {240, 960, 1200, 1440, 1500};
    const int64_t at44100[] = {11025, 44100, 52920, 61740, 65874};  // 1.49375 * 44100 = 65874.375
    const int64_t at48000[] = {12000, 48000, 57600, 67200, 71700};
    const double seconds[] = {0.25, 1.0, 1.2, 1.4, 1.49375};
    for (size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(ticks[i]);
        EXPECT_EQ(map.frameAt(ticks[i], 44100), at44100[i]);
        EXPECT_EQ(map.frameAt(ticks[i], 48000), at48000[i]);
        EXPECT_NEAR(map.secondsAt(ticks[i]), seconds[i], 1e-12);  // double rounding only
    }
}

TEST(TempoMapFrames, LaterTempoOnTheSameTickWinsAndOrderOfInputDoesNotMatter) {
    // At tick 0 first 1 s per quarter, then 0.25 s per quarter: the second one holds.
    const TempoMap map(ppq(480), {{0, 1000000}, {0, 250000}});
    EXPECT_EQ(map.frameAt(480, 48000), 12000);  // 0.25 s
    // Changes handed over out of order are put in tick order (stable for equal ticks).
    const TempoMap shuffled(ppq(480), {{1440, 750000}, {960, 400000}});
    EXPECT_EQ(shuffled.frameAt(1500, 48000), 71700);
}

TEST(TempoMapFrames, SmpteTicks) {
    // 25 frames per second, 40 ticks per frame: 1000 ticks per second; tempo is ignored.
    const TempoMap pal(TimeDivision{true, 0, 25, 40}, {{0, 100000}});
    EXPECT_EQ(pal.frameAt(1234, 44100), 54419);  // 1.234 s * 44100 = 54419.4
    EXPECT_EQ(pal.frameAt(1000, 48000), 48000);
    // 29.97 (30000/1001) frames per second, 4 ticks per frame: a tick is 1001/120000 s, so
    // 120 ticks are 1.001 s.
    const TempoMap ntsc(TimeDivision{true, 0, 29, 4}, {});
    EXPECT_EQ(ntsc.frameAt(120, 48000), 48048);
    EXPECT_EQ(ntsc.frameAt(120, 44100), 44144);  // 1.001 * 44100 = 44144.1
}

TEST(TempoMapFrames, FromAFileWithTheTempoInAnotherTrack) {
    // Type 1: the tempo map lives in track 0 and applies to the notes of track 1.
    SmfBuilder smf(1, 96);
    smf.track().tempo(0, 1000000).tempo(192, 250000).endOfTrack();
    smf.track().event(96, {0x90, 60, 100}).event(192, {62, 100}).endOfTrack();
    const MidiFile file = MidiFile::parse(smf.bytes());
    const TempoMap map(file.division(), file.tempoChanges());
    ASSERT_EQ(file.events().size(), 2u);
    // tick 96: one quarter at 1 s = 1 s. tick 288: two quarters at 1 s, one at 0.25 s = 2.25 s.
    EXPECT_EQ(map.frameAt(file.events()[0].tick, 44100), 44100);
    EXPECT_EQ(map.frameAt(file.events()[1].tick, 44100), 99225);
}

std::vector<ScheduledEvent> atFrames(const std::vector<int64_t>& frames) {
    std::vector<ScheduledEvent> events;
    for (size_t i = 0; i < frames.size(); ++i) {
        ScheduledEvent e;
        e.frame = frames[i];
        e.event.data1 = static_cast<uint8_t>(i);
        events.push_back(e);
    }
    return events;
}

std::vector<Block> allBlocks(BlockScheduler& scheduler) {
    std::vector<Block> blocks;
    Block b;
    while (scheduler.next(b)) {
        blocks.push_back(b);
    }
    return blocks;
}

TEST(BlockPlacement, EventsGoToTheBlockHoldingTheirFrame) {
    BlockScheduler scheduler(atFrames({0, 99, 100, 250, 255}), 300, 100, 128);
    const std::vector<Block> blocks = allBlocks(scheduler);
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0].start, 0);
    EXPECT_EQ(blocks[0].frames, 100);
    EXPECT_EQ(blocks[0].eventCount, 2u);  // frames 0 and 99: deltaFrames 0 and 99
    EXPECT_EQ(blocks[1].start, 100);
    EXPECT_EQ(blocks[1].firstEvent, 2u);
    EXPECT_EQ(blocks[1].eventCount, 1u);  // frame 100: deltaFrames 0
    EXPECT_EQ(blocks[2].start, 200);
    EXPECT_EQ(blocks[2].eventCount, 2u);  // frames 250, 255: deltaFrames 50, 55
}

TEST(BlockPlacement, AFullQueueEndsTheBlockEarly) {
    // At most 3 events per block. The fourth event lies on frame 7 together with two others:
    // the first block ends before frame 7 and the three events of frame 7 open the next one.
    BlockScheduler scheduler(atFrames({5, 7, 7, 7, 9}), 20, 512, 3);
    const std::vector<Block> blocks = allBlocks(scheduler);
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0].frames, 7);
    EXPECT_EQ(blocks[0].eventCount, 1u);
    EXPECT_EQ(blocks[1].start, 7);
    EXPECT_EQ(blocks[1].frames, 2);
    EXPECT_EQ(blocks[1].eventCount, 3u);
    EXPECT_EQ(blocks[2].start, 9);
    EXPECT_EQ(blocks[2].frames, 11);
    EXPECT_EQ(blocks[2].eventCount, 1u);
}

TEST(BlockPlacement, MoreEventsOnOneFrameThanFitUseABlockOfZeroFrames) {
    BlockScheduler scheduler(atFrames({4, 4, 4}), 10, 512, 2);
    const std::vector<Block> blocks = allBlocks(scheduler);
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0].frames, 4);
    EXPECT_EQ(blocks[0].eventCount, 0u);
    EXPECT_EQ(blocks[1].start, 4);
    EXPECT_EQ(blocks[1].frames, 0);
    EXPECT_EQ(blocks[1].eventCount, 2u);
    EXPECT_EQ(blocks[2].start, 4);
    EXPECT_EQ(blocks[2].frames, 6);
    EXPECT_EQ(blocks[2].eventCount, 1u);
}

TEST(BlockPlacement, EveryEventDeliveredOnceInOrderInsideItsBlock) {
    // A dense pseudo-random schedule with a burst of 300 events on one frame.
    std::vector<int64_t> frames;
    uint32_t seed = 12345;
    int64_t frame = 0;
    for (int i = 0; i < 2000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        frame += (seed >> 24) % 40;
        frames.push_back(frame);
        if (i == 1000) {
            frames.insert(frames.end(), 300, frame);
        }
    }
    for (int blockSize : {1, 7, 64, 512, 4096}) {
        SCOPED_TRACE(blockSize);
        BlockScheduler scheduler(atFrames(frames), frame + 100, blockSize, 128);
        size_t delivered = 0;
        int64_t position = 0;
        Block b;
        while (scheduler.next(b)) {
            ASSERT_EQ(b.start, position);
            ASSERT_LE(b.frames, blockSize);
            ASSERT_LE(b.eventCount, 128u);
            ASSERT_EQ(b.firstEvent, delivered);
            for (size_t i = b.firstEvent; i < b.firstEvent + b.eventCount; ++i) {
                const int64_t delta = scheduler.events()[i].frame - b.start;
                ASSERT_GE(delta, 0);
                ASSERT_TRUE(delta < b.frames || (b.frames == 0 && delta == 0));
            }
            delivered += b.eventCount;
            position += b.frames;
        }
        EXPECT_EQ(delivered, frames.size());
        EXPECT_EQ(position, frame + 100);
    }
}

TEST(BlockPlacement, RenderCoversTheLastEvent) {
    BlockScheduler scheduler(atFrames({15}), 10, 4, 128);
    EXPECT_EQ(scheduler.totalFrames(), 16);
}

TEST(RenderLength, TailFollowsTheLastEvent) {
    EXPECT_EQ(Renderer::renderLength(44100, 0.5, 44100), 44100 + 22050);
    EXPECT_EQ(Renderer::renderLength(44100, 0.0, 44100), 44101);  // the event's own frame
    EXPECT_EQ(Renderer::renderLength(-1, 1.0, 48000), 48000);     // no events: the tail only
    EXPECT_EQ(Renderer::renderLength(0, 2.0, 44100), 88200);
}

}  // namespace
