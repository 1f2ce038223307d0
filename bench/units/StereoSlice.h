#pragma once

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "ChannelBuffers.h"

// The block every unit benchmark runs over: one stereo slice of 256 frames of uniform noise in
// [-0.5, 0.5) (fixed seed, left and right drawn alternately), with separate output buffers.
namespace bench_units {

inline constexpr int kFrames = 256;
inline constexpr int kChannels = 2;

struct StereoSlice {
    std::vector<float> inL, inR, outL, outR;
    ChannelBuffers in, out;

    StereoSlice() : inL(kFrames), inR(kFrames), outL(kFrames), outR(kFrames) {
        std::mt19937 rng(1234);
        std::uniform_real_distribution<float> dist(-0.5f, 0.5f);
        for (size_t i = 0; i < kFrames; ++i) {
            inL[i] = dist(rng);
            inR[i] = dist(rng);
        }
        in[0] = {inL.data(), 1, kFrames};
        in[1] = {inR.data(), 1, kFrames};
        out[0] = {outL.data(), 1, kFrames};
        out[1] = {outR.data(), 1, kFrames};
    }
};

// Reads the time per iteration (one slice) also as time per frame and per channel sample.
inline void addCounters(benchmark::State& state) {
    using benchmark::Counter;
    state.counters["per_frame"] =
        Counter(kFrames, Counter::kIsIterationInvariantRate | Counter::kInvert);
    state.counters["per_sample"] =
        Counter(kFrames * kChannels, Counter::kIsIterationInvariantRate | Counter::kInvert);
}

}  // namespace bench_units
