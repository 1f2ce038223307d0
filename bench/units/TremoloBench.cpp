#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "TremoloUnit.h"

#if defined(__SSE__)
#include <pmmintrin.h>
#include <xmmintrin.h>
#endif

// The tremolo over one stereo slice of 256 frames at 44100 Hz, with the values the engine core
// passes: depth, rate, duty 50 %, slope 40 %, stereo phase.
namespace {

constexpr int kFrames = 256;
constexpr int kChannels = 2;

// Flushes denormals for the length of a benchmark, as the plug-in does around each block.
class FlushDenormals {
public:
#if defined(__SSE__)
    FlushDenormals() : saved(_mm_getcsr()) {
        _MM_SET_FLUSH_ZERO_MODE(_MM_FLUSH_ZERO_ON);
        _MM_SET_DENORMALS_ZERO_MODE(_MM_DENORMALS_ZERO_ON);
    }
    ~FlushDenormals() {
        _mm_setcsr(saved);
    }

private:
    unsigned saved;
#endif
};

struct Fixture {
    TremoloUnit tremolo;
    std::vector<float> inL, inR, outL, outR;
    ChannelBuffers in, out;

    Fixture(float depth, float rate, float phase)
        : inL(kFrames), inR(kFrames), outL(kFrames), outR(kFrames) {
        tremolo.setup(kChannels, kChannels);
        tremolo.setParameters(depth, rate, 50.0f, 40.0f, phase, 44100.0f);
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

// The instrument's defaults: depth 50 %, 4 Hz, auto-pan at 180 degrees. Time per iteration is
// the time per stereo block.
void TremoloStereoBlock(benchmark::State& state) {
    const FlushDenormals guard;
    Fixture f(50.0f, 4.0f, 180.0f);
    for (auto _ : state) {
        f.tremolo.process(f.in, f.out);
        benchmark::DoNotOptimize(f.outL.data());
        benchmark::ClobberMemory();
    }
    addCounters(state);
}
BENCHMARK(TremoloStereoBlock);

// Same block while the host automates the rate: the setter (one exp per coefficient, four in
// all, and the smoother's tangent) runs before every block.
void TremoloStereoBlockWithSetter(benchmark::State& state) {
    const FlushDenormals guard;
    Fixture f(50.0f, 4.0f, 180.0f);
    float rate = 4.0f;
    for (auto _ : state) {
        rate = rate == 4.0f ? 4.5f : 4.0f;
        f.tremolo.setParameters(50.0f, rate, 50.0f, 40.0f, 180.0f, 44100.0f);
        f.tremolo.process(f.in, f.out);
        benchmark::DoNotOptimize(f.outL.data());
        benchmark::ClobberMemory();
    }
    addCounters(state);
}
BENCHMARK(TremoloStereoBlockWithSetter);

}  // namespace
