#pragma once

#include <cstdint>
#include <vector>

class TestHost;

// A performance played into an opened, resumed plug-in: MIDI messages at absolute frames,
// delivered with the block they fall in, and the stereo output collected block by block.
struct HostRender {
    struct Message {
        int64_t frame;
        uint8_t status;
        uint8_t data1;
        uint8_t data2;
    };

    std::vector<Message> messages;  // in frame order
    int32_t blockSize = 512;

    // Renders `frames` frames from the plug-in's current state.
    void run(const TestHost& host, int64_t frames);

    std::vector<float> left;
    std::vector<float> right;
};
