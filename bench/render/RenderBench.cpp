// Whole-engine render cost: PianoCore::render driven as the plug-in drives it (events queued
// per host block with their offsets, then one render per block), for the demo piece (at
// 44.1 kHz and at 96 kHz, where a second of audio has 2.18 times the samples), for 16
// held notes, and for the worst case of all 88 keys struck with the pedal down and "Voices" at
// 73. Counters: "rtf" is audio seconds rendered per wall-clock second (the real-time factor),
// "voice_sample" the time per active voice and sample (shown with an SI prefix: 20n = 20 ns),
// "voices" the mean number of active voices.

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "BlockScheduler.h"
#include "ChannelBuffers.h"
#include "FloatingPointEnvironment.h"
#include "KeyVoice.h"
#include "MidiFile.h"
#include "PianoCore.h"
#include "TempoMap.h"

namespace {

constexpr uint32_t kRate = 44100;
constexpr int kHostBlock = 512;

// The engine as the plug-in sets it up: the values its module sends with the defaults of every
// parameter but "Voices", all groups applied (selector 23).
class Engine {
public:
    explicit Engine(float voices, uint32_t rate = kRate) : left(kHostBlock), right(kHostBlock) {
        core.setup(1, 2, float(rate));
        const float values[PianoCore::kValueCount] = {
            0,   100, 100,        1, 1, 0.1f, 0.1f, 100, voices, 0, 0.4f, 0, 0, 0, 0, 0, 0, 0,
            0,  // tremolo rate
            0,  // tremolo depth
            180, 0,   float(rate)};
        core.applyParameters(values, PianoCore::kSelectorAll);
        core.reset();
    }

    int activeVoices() const {
        int n = 0;
        for (int k = 0; k < PianoCore::kKeyCount; ++k) {
            n += core.key(k).isActive() ? 1 : 0;
        }
        return n;
    }

    // One host block: the events at their offsets, then the render. Returns the voice-samples
    // rendered, estimated as the mean of the active voices before and after times the frames.
    double block(const ScheduledEvent* events, size_t count, int64_t start, int frames) {
        const int before = activeVoices();
        for (size_t i = 0; i < count; ++i) {
            const MidiEvent& e = events[i].event;
            core.queueEvent(e.status & 0xF0, e.data1, e.data2, 0,
                            static_cast<int>(events[i].frame - start));
        }
        ChannelBuffers out;
        out[0] = ChannelBuffer{left.data(), 1, frames};
        out[1] = ChannelBuffer{right.data(), 1, frames};
        core.setPosition(0);
        core.render(out, out);
        benchmark::DoNotOptimize(left.data());
        benchmark::DoNotOptimize(right.data());
        return 0.5 * (before + activeVoices()) * frames;
    }

    // Renders a whole schedule; returns the voice-samples.
    double play(const std::vector<ScheduledEvent>& events, int64_t frames) {
        BlockScheduler scheduler(events, frames, kHostBlock, 128);
        double voiceSamples = 0.0;
        Block b;
        while (scheduler.next(b)) {
            voiceSamples +=
                block(scheduler.events().data() + b.firstEvent, b.eventCount, b.start, b.frames);
        }
        return voiceSamples;
    }

private:
    PianoCore core;
    std::vector<float> left;
    std::vector<float> right;
};

ScheduledEvent at(int64_t frame, uint8_t status, uint8_t data1, uint8_t data2) {
    ScheduledEvent e;
    e.frame = frame;
    e.event.status = status;
    e.event.data1 = data1;
    e.event.data2 = data2;
    e.event.dataCount = 2;
    return e;
}

void report(benchmark::State& state, double audioFrames, double voiceSamples,
            uint32_t rate = kRate) {
    const double runs = double(state.iterations());
    state.counters["rtf"] =
        benchmark::Counter(runs * audioFrames / rate, benchmark::Counter::kIsRate);
    state.counters["voice_sample"] =
        benchmark::Counter(voiceSamples, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["voices"] = voiceSamples / (runs * audioFrames);
}

// The demo piece: every channel message of examples/demo.mid on its frame, 2 s of tail, at the
// rate given as the argument.
void DemoPiece(benchmark::State& state) {
    const auto rate = static_cast<uint32_t>(state.range(0));
    const MidiFile midi = MidiFile::load(ORVANE_DEMO_MID);
    const TempoMap tempo(midi.division(), midi.tempoChanges());
    std::vector<ScheduledEvent> events;
    for (const MidiEvent& e : midi.events()) {
        events.push_back(ScheduledEvent{tempo.frameAt(e.tick, rate), e});
    }
    const int64_t frames = events.back().frame + 2 * int64_t{rate};
    FloatingPointEnvironment::DenormalGuard guard;
    double voiceSamples = 0.0;
    for (auto _ : state) {
        state.PauseTiming();  // a fresh engine for every run of the piece, set up untimed
        auto engine = std::make_unique<Engine>(20.0f, rate);
        state.ResumeTiming();
        voiceSamples += engine->play(events, frames);
    }
    report(state, double(frames), voiceSamples, rate);
}
BENCHMARK(DemoPiece)->Arg(44100)->Arg(96000)->Unit(benchmark::kMillisecond);

// 16 keys held across the keyboard (notes 36, 40, ... 96), struck at once, 2 s rendered.
void SixteenHeldNotes(benchmark::State& state) {
    std::vector<ScheduledEvent> events;
    for (int k = 0; k < 16; ++k) {
        events.push_back(at(0, 0x90, uint8_t(36 + 4 * k), 100));
    }
    const int64_t frames = 2 * kRate;
    FloatingPointEnvironment::DenormalGuard guard;
    Engine engine(20.0f);
    double voiceSamples = 0.0;
    for (auto _ : state) {
        voiceSamples += engine.play(events, frames);
    }
    report(state, double(frames), voiceSamples);
}
BENCHMARK(SixteenHeldNotes)->Unit(benchmark::kMillisecond);

// The worst case: pedal down, all 88 keys struck at full velocity with "Voices" at 73 (15
// keys stolen and left releasing, so all 88 sound), 2 s rendered.
void AllKeysWithPedal(benchmark::State& state) {
    std::vector<ScheduledEvent> events = {at(0, 0xB0, 64, 127)};
    for (int n = PianoCore::kLowestNote; n <= PianoCore::kHighestNote; ++n) {
        events.push_back(at(0, 0x90, uint8_t(n), 127));
    }
    const int64_t frames = 2 * kRate;
    FloatingPointEnvironment::DenormalGuard guard;
    Engine engine(73.0f);
    double voiceSamples = 0.0;
    for (auto _ : state) {
        voiceSamples += engine.play(events, frames);
    }
    report(state, double(frames), voiceSamples);
}
BENCHMARK(AllKeysWithPedal)->Unit(benchmark::kMillisecond);

}  // namespace
