#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "BreakpointCurve.h"
#include "DecayLaw.h"
#include "KeyVoice.h"
#include "Tables.h"
#include "Voicing.h"

#if defined(__SSE__)
#include <pmmintrin.h>
#include <xmmintrin.h>
#endif

namespace {

constexpr int kSlice = 256;
constexpr float kRate = 44100.0f;

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

// A key's configuration as the engine derives it from voicing set 0 with the plug-in's
// defaults: "Decay", "Release" 100 %, bell and damper volume 1, stretch 0.1, "Tune" 0, random
// detuning 0.4 %, "Stereo" 50 %.
NoteConfiguration configurationFor(int n) {
    const Tables& tables = Tables::instance();
    const VoicingSet& set = voicingSet(0);
    float c[VoicingSet::kCurves];
    for (int j = 0; j < VoicingSet::kCurves; ++j) {
        BreakpointCurve curve;
        curve.pointAt(set.curves[j]);
        c[j] = curve.value(n);
    }
    const float stretch = 0.1f;
    const float rho = tables.keyRandom[n];
    float tine = (stretch * tables.stretchRatio[n] + (1.0f - stretch)) * tables.noteFrequency[n];
    tine = tine * ((rho - 0.5f) * 0.4f * 0.01f + 1.0f);
    const float bellDecaySpread = 1.0f + c[21] * (rho - 1.0f);

    NoteConfiguration v;
    v.hammerOrder = static_cast<int>(c[0]);
    v.hammerPole = c[1];
    v.hammerLevel = c[2] * 0.01f;
    v.hammerVelocitySens = c[3];
    v.tineFrequency = tine;
    v.tineDecayCoef = decayCoefficient(c[4], kRate);
    v.tineReleaseCoef = decayCoefficient(c[5], kRate);
    v.tineRingTime = c[4] * 0.01f;
    v.bellRingTime = c[8] * 0.01f;
    v.bell1Frequency = c[6] * tine;
    v.bell1HoldCoef = decayCoefficient(c[8] * bellDecaySpread, kRate);
    v.bell1ReleaseCoef = decayCoefficient(c[9] * bellDecaySpread, kRate);
    v.bell1Level = c[10] * (1.0f + c[20] * (rho - 1.0f));
    v.bell2Frequency = c[7] * v.bell1Frequency;
    v.bell2HoldCoef = v.bell1HoldCoef;
    v.bell2ReleaseCoef = v.bell1ReleaseCoef;
    v.bell2Level = v.bell1Level;
    v.damperLevel = c[11] * 0.001f;
    v.thumpCutoff = c[12];
    v.thumpQ = c[13];
    v.thumpGain = c[14] * 10000.0f;
    v.pickupOffset = c[16];
    v.outputCutoff = c[17] * tine * 0.0022727272f;
    v.outputQ = c[18];
    v.outputGain = c[19];
    v.stereoSpread = 0.5f;
    v.velocityCurve = static_cast<int>(c[15]);
    v.sampleRate = kRate;
    return v;
}

// Renders `voices` simultaneously sounding keys (around middle C, or the whole keyboard for 88)
// in 256-frame stereo slices; every key is struck again about every two seconds.
void renderKeys(benchmark::State& state) {
    const int voices = static_cast<int>(state.range(0));
    FlushDenormals flush;
    RenderContext context;
    context.sampleRate = kRate;
    context.frameCount = kSlice;
    std::vector<std::vector<float>> scratch(KeyVoice::kBuffers, std::vector<float>(kSlice));
    std::vector<float> left(kSlice);
    std::vector<float> right(kSlice);
    float* const outputs[2] = {left.data(), right.data()};

    const int firstNote = voices >= 88 ? 21 : 60 - voices / 2;
    std::vector<std::unique_ptr<KeyVoice>> keys;
    for (int i = 0; i < voices; ++i) {
        auto k = std::make_unique<KeyVoice>(&context);
        for (int b = 0; b < KeyVoice::kBuffers; ++b) {
            k->setInput(b, scratch[static_cast<size_t>(b)].data());
        }
        k->init();
        k->keyIndex = firstNote + i - 21;
        k->configureNote(configurationFor(firstNote + i));
        k->setVelocity(0.8f);
        k->trigger();
        keys.push_back(std::move(k));
    }

    const int restrike = static_cast<int>(2.0f * kRate / kSlice);
    long slice = 0;
    for (auto _ : state) {
        std::fill(left.begin(), left.end(), 0.0f);
        std::fill(right.begin(), right.end(), 0.0f);
        for (int i = 0; i < voices; ++i) {
            KeyVoice& k = *keys[static_cast<size_t>(i)];
            if ((slice + 7 * i) % restrike == 0 || !k.isActive()) {
                k.trigger();
            }
            k.render(2, outputs, 1);
        }
        benchmark::DoNotOptimize(left.data());
        benchmark::DoNotOptimize(right.data());
        benchmark::ClobberMemory();
        ++slice;
    }
    // Inverted rate of voices × frames: CPU time per voice-sample.
    state.counters["ns/voice-sample"] = benchmark::Counter(
        static_cast<double>(voices) * kSlice,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(renderKeys)->Arg(1)->Arg(16)->Arg(88);

}  // namespace
