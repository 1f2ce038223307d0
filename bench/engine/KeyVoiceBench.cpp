#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "EngineValue.h"
#include "FloatingPointEnvironment.h"
#include "KeyVoice.h"
#include "PianoCore.h"

namespace {

constexpr int kSlice = 256;
constexpr float kRate = 44100.0f;

// An engine core with voicing set 0 and the plug-in's defaults: "Decay", "Release" 100 %, bell
// and damper volume 1, stretch 0.1, "Tune" 0, random detuning 0.4 %, "Stereo" 50 %; its keys'
// configurations are what the bench's voices play.
const PianoCore& defaultVoicing() {
    static const std::unique_ptr<PianoCore> core = [] {
        auto c = std::make_unique<PianoCore>();
        c->setup(1, 2, kRate);
        float values[PianoCore::kValueCount] = {};
        values[indexOf(EngineValue::kDecay)] = 100.0f;
        values[indexOf(EngineValue::kRelease)] = 100.0f;
        values[indexOf(EngineValue::kBellVolume)] = 1.0f;
        values[indexOf(EngineValue::kDamperVolume)] = 1.0f;
        values[indexOf(EngineValue::kStretchLow)] = 0.1f;
        values[indexOf(EngineValue::kStretchHigh)] = 0.1f;
        values[indexOf(EngineValue::kStereoSpread)] = 50.0f;
        values[indexOf(EngineValue::kVoices)] = 88.0f;
        values[indexOf(EngineValue::kRandomDetune)] = 0.4f;
        values[indexOf(EngineValue::kSampleRate)] = kRate;
        c->applyParameters(values, PianoCore::kSelectorAll);
        return c;
    }();
    return *core;
}

// Renders `voices` simultaneously sounding keys (around middle C, or the whole keyboard for 88)
// in 256-frame stereo slices; every key is struck again about every two seconds.
void renderKeys(benchmark::State& state) {
    const int voices = static_cast<int>(state.range(0));
    const FloatingPointEnvironment::DenormalGuard flush;
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
        k->configureNote(defaultVoicing().noteConfiguration(firstNote + i));
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
