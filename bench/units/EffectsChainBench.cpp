#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "EffectsChain.h"

// The voicing equaliser over one stereo slice of 256 frames, with voicing set 0 at 44100 Hz
// (band1, lowShelf, band2, highShelfBiquad, highShelf and outputLevel run). The anti-denormal
// offset keeps every recursion out of denormal numbers, so no floating-point mode is set here.
namespace {

constexpr int kFrames = 256;
constexpr int kChannels = 2;

struct Fixture {
    EffectsChain chain;
    float values[EffectsChain::kValueCount] = {-8.5f, -2.5f, -2,   4,     16,   95, 180, 480,  1900,
                                               3200,  2,     0.3f, 0.85f, 1.1f, 3,  1,   1,    1,
                                               1,     1,     0,    0,     1,    0,  -17, 44100};
    std::vector<float> inL, inR, outL, outR;
    ChannelBuffers in, out;

    Fixture() : inL(kFrames), inR(kFrames), outL(kFrames), outR(kFrames) {
        chain.setup(kChannels, kChannels);
        chain.configure(values);
        std::mt19937 rng(1234);
        std::uniform_real_distribution<float> dist(-0.5f, 0.5f);
        for (int i = 0; i < kFrames; ++i) {
            inL[static_cast<size_t>(i)] = dist(rng);
            inR[static_cast<size_t>(i)] = dist(rng);
        }
        in[0] = {inL.data(), 1, kFrames};
        in[1] = {inR.data(), 1, kFrames};
        out[0] = {outL.data(), 1, kFrames};
        out[1] = {outR.data(), 1, kFrames};
    }
};

void addCounters(benchmark::State& state) {
    using benchmark::Counter;
    state.counters["per_frame"] =
        Counter(kFrames, Counter::kIsIterationInvariantRate | Counter::kInvert);
    state.counters["per_sample"] =
        Counter(kFrames * kChannels, Counter::kIsIterationInvariantRate | Counter::kInvert);
}

// Steady state: coefficients fixed, the cost of the six kernels.
void EffectsChainSetZero(benchmark::State& state) {
    Fixture f;
    for (auto _ : state) {
        f.chain.process(f.in, f.out);
        benchmark::DoNotOptimize(f.outL.data());
        benchmark::ClobberMemory();
    }
    addCounters(state);
}
BENCHMARK(EffectsChainSetZero);

// Worst case: every block changes the stage-2, stage-3 and stage-4 gains, so three units
// recompute their coefficients and glide on every sample.
void EffectsChainSetZeroGliding(benchmark::State& state) {
    Fixture f;
    float offset = 0.0f;
    for (auto _ : state) {
        offset = offset == 0.0f ? 0.5f : 0.0f;
        f.values[0] = -8.5f + offset;
        f.values[1] = -2.5f + offset;
        f.values[3] = 4.0f + offset;
        f.chain.configure(f.values);
        f.chain.process(f.in, f.out);
        benchmark::DoNotOptimize(f.outL.data());
        benchmark::ClobberMemory();
    }
    addCounters(state);
}
BENCHMARK(EffectsChainSetZeroGliding);

}  // namespace
