// Where events land: ticks to frames through the tempo map (floor of the exact product), frames
// to host blocks, and the length of a render.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "BlockScheduler.h"
#include "Renderer.h"
#include "TempoMap.h"

namespace {

TimeDivision ppq(int ticks) {
    return TimeDivision{false, ticks, 0, 0};
}

TEST(TempoMapFrames, ExactFloorOfTheTickTimesTheRate) {
    // 480 ticks per quarter; 500000 us per quarter (the default) until tick 960, then 400000
    // until 1440, then 750000 (handed over out of order): tick 1 is 1/960 s, tick 1500 is
    // 1.0 + 480/480 * 0.4 + 60/480 * 0.75 = 1.49375 s.
    const TempoMap map(ppq(480), {{1440, 750000}, {960, 400000}});
    const TempoMap pal(TimeDivision{true, 0, 25, 40}, {{0, 100000}});  // 1000 ticks a second
    // 29 means 29.97 (30000/1001) frames per second: with 4 ticks a frame, 120 ticks = 1.001 s.
    const TempoMap ntsc(TimeDivision{true, 0, 29, 4}, {});
    const TempoMap thirty(TimeDivision{true, 0, 30, 4}, {});  // 120 ticks = 1 s exactly
    // At tick 0 first 1 s per quarter, then 0.25 s: the later one holds.
    const TempoMap same(ppq(480), {{0, 1000000}, {0, 250000}});
    // 2^40 quarters of 16777215 us at 192 kHz: a product far beyond 64 bits, exact by hand.
    const TempoMap slow(ppq(1), {{0, 16777215}});
    struct Case {
        const TempoMap& map;
        uint64_t tick;
        uint32_t rate;
        int64_t frame;
    };
    const Case cases[] = {
        {map, 1, 44100, 45},       {map, 1500, 48000, 71700},    // 45.9375, exact
        {pal, 1234, 44100, 54419}, {ntsc, 120, 48000, 48048},    // 54419.4, exact
        {ntsc, 120, 44100, 44144}, {thirty, 120, 48000, 48000},  // 44144.1, exact
        {same, 480, 48000, 12000}, {slow, uint64_t{1} << 40, 192000, 3541774651046001377},
    };  // the last one is ...377.28
    for (const Case& c : cases) {
        EXPECT_EQ(c.map.frameAt(c.tick, c.rate), c.frame) << c.tick << " at " << c.rate;
    }
    EXPECT_DOUBLE_EQ(map.secondsAt(1500), 1.49375);
}

std::vector<ScheduledEvent> atFrames(const std::vector<int64_t>& frames) {
    std::vector<ScheduledEvent> events;
    for (int64_t frame : frames) {
        events.push_back(ScheduledEvent{frame, MidiEvent{}});
    }
    return events;
}

TEST(BlockPlacement, EventsOpenTheBlockOfTheirFrame) {
    struct Case {
        std::vector<int64_t> frames;
        int64_t total;
        int32_t blockSize;
        size_t queue;
        std::vector<Block> blocks;  // start, frames, first event, event count
    };
    const Case cases[] = {
        // Frame 100 is the second block's first frame.
        {{0, 99, 100, 250}, 300, 100, 128, {{0, 100, 0, 2}, {100, 100, 2, 1}, {200, 100, 3, 1}}},
        // A full queue (3) ends the block early; a frame with more events than fit gets a block
        // of zero frames.
        {{5, 7, 7, 7, 9}, 20, 512, 3, {{0, 7, 0, 1}, {7, 2, 1, 3}, {9, 11, 4, 1}}},
        {{4, 4, 4}, 10, 512, 2, {{0, 4, 0, 0}, {4, 0, 0, 2}, {4, 6, 2, 1}}},
        // The render covers the last event even past the given length.
        {{15}, 10, 8, 128, {{0, 8, 0, 0}, {8, 8, 0, 1}}},
    };
    for (const Case& c : cases) {
        BlockScheduler scheduler(atFrames(c.frames), c.total, c.blockSize, c.queue);
        Block b;
        for (const Block& expected : c.blocks) {
            ASSERT_TRUE(scheduler.next(b));
            EXPECT_EQ(b.start, expected.start);
            EXPECT_EQ(b.frames, expected.frames);
            EXPECT_EQ(b.eventCount, expected.eventCount);
            EXPECT_EQ(b.firstEvent, expected.firstEvent);
        }
        EXPECT_FALSE(scheduler.next(b));
    }
}

// A render holds the last event's own frame even with no tail.
TEST(RenderLength, TailFollowsTheLastEvent) {
    EXPECT_EQ(Renderer::renderLength(44100, 0.5, 44100), 44100 + 22050);
    EXPECT_EQ(Renderer::renderLength(44100, 0.0, 44100), 44101);
    EXPECT_EQ(Renderer::renderLength(-1, 1.0, 48000), 48000);  // no events: the tail only
}

}  // namespace
