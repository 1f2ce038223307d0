#include <benchmark/benchmark.h>

#include "EffectsChain.h"
#include "StereoSlice.h"

// The voicing equaliser over one stereo slice of 256 frames, with voicing set 0 at 44100 Hz
// (band1, lowShelf, band2, highShelfBiquad, highShelf and outputLevel run). The anti-denormal
// offset keeps every recursion out of denormal numbers, so no floating-point mode is set here.
namespace {

using namespace bench_units;

struct Fixture {
    EffectsChain chain;
    float values[EffectsChain::kValueCount] = {-8.5f, -2.5f, -2,   4,     16,   95, 180, 480,  1900,
                                               3200,  2,     0.3f, 0.85f, 1.1f, 3,  1,   1,    1,
                                               1,     1,     0,    0,     1,    0,  -17, 44100};
    StereoSlice slice;

    Fixture() {
        chain.setup(kChannels, kChannels);
        chain.configure(values);
    }
};

// Steady state: coefficients fixed, the cost of the six kernels.
void EffectsChainSetZero(benchmark::State& state) {
    Fixture f;
    for (auto _ : state) {
        f.chain.process(f.slice.in, f.slice.out);
        benchmark::DoNotOptimize(f.slice.outL.data());
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
        f.chain.process(f.slice.in, f.slice.out);
        benchmark::DoNotOptimize(f.slice.outL.data());
        benchmark::ClobberMemory();
    }
    addCounters(state);
}
BENCHMARK(EffectsChainSetZeroGliding);

}  // namespace
