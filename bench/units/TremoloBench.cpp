#include <benchmark/benchmark.h>

#include "FloatingPointEnvironment.h"
#include "StereoSlice.h"
#include "TremoloUnit.h"

// The tremolo over one stereo slice of 256 frames at 44100 Hz, with the values the engine core
// passes: depth, rate, duty 50 %, slope 40 %, stereo phase.
namespace {

using namespace bench_units;

struct Fixture {
    TremoloUnit tremolo;
    StereoSlice slice;

    Fixture(float depth, float rate, float phase) {
        tremolo.setup(kChannels, kChannels);
        tremolo.setParameters({depth, rate, 50.0f, 40.0f, phase, 44100.0f});
    }
};

// The instrument's defaults: depth 50 %, 4 Hz, auto-pan at 180 degrees. Time per iteration is
// the time per stereo block.
void TremoloStereoBlock(benchmark::State& state) {
    const FloatingPointEnvironment::DenormalGuard guard;
    Fixture f(50.0f, 4.0f, 180.0f);
    for (auto _ : state) {
        f.tremolo.process(f.slice.in, f.slice.out);
        benchmark::DoNotOptimize(f.slice.outL.data());
        benchmark::ClobberMemory();
    }
    addCounters(state);
}
BENCHMARK(TremoloStereoBlock);

// Same block while the host automates the rate: the setter (one exp per coefficient, four in
// all, and the smoother's tangent) runs before every block.
void TremoloStereoBlockWithSetter(benchmark::State& state) {
    const FloatingPointEnvironment::DenormalGuard guard;
    Fixture f(50.0f, 4.0f, 180.0f);
    float rate = 4.0f;
    for (auto _ : state) {
        rate = rate == 4.0f ? 4.5f : 4.0f;
        f.tremolo.setParameters({50.0f, rate, 50.0f, 40.0f, 180.0f, 44100.0f});
        f.tremolo.process(f.slice.in, f.slice.out);
        benchmark::DoNotOptimize(f.slice.outL.data());
        benchmark::ClobberMemory();
    }
    addCounters(state);
}
BENCHMARK(TremoloStereoBlockWithSetter);

}  // namespace
