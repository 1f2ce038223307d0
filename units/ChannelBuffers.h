#pragma once

#include <cstdint>

// The audio buffer record of the engine and of every unit: channel 0 (mono or left) and
// channel 1 (right). `stride` is the distance between consecutive frames of a channel, in
// samples (the plug-in always uses 1); the engine reads the frame count of channel 0.
struct ChannelBuffer {
    float* samples = nullptr;
    int32_t stride = 1;
    int32_t frames = 0;
};

struct ChannelBuffers {
    ChannelBuffer channels[2];

    ChannelBuffer& operator[](int c) { return channels[c]; }
    const ChannelBuffer& operator[](int c) const { return channels[c]; }
};
