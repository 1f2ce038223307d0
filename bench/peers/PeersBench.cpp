// Orvane Piano side by side with peer instruments: the same pieces, cut into the same 512-frame
// host blocks with the same events, rendered by each instrument through its own library in this
// process, on this thread, under the same flush-to-zero guard. Counters: "rtf" is audio seconds
// per CPU second (the real-time factor), "voices" the mean number of sounding voices where the
// instrument tells (counted in an untimed pass). The closing table sets every factor against
// the mda electric piano's, the sample-playback peer to beat on sparse music too. Run with
// --benchmark_repetitions=N to compare medians.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "FloatingPointEnvironment.h"
#include "FluidSynthPeer.h"
#include "FmPianoPeer.h"
#include "OrvanePeer.h"
#include "Piece.h"
#include "RatioReporter.h"
#include "SamplePianoPeer.h"

namespace {

// Plays the whole piece once; answers the mean sounding voices when `census`.
double play(PeerInstrument& instrument, const Piece& piece, bool census) {
    static std::vector<float> left(Piece::kHostBlock), right(Piece::kHostBlock);
    double voiceBlocks = 0.0;
    for (const Piece::HostBlock& b : piece.blocks()) {
        instrument.block(b.events.data(), b.events.size(), b.frames, left.data(), right.data());
        benchmark::DoNotOptimize(left.data());
        benchmark::DoNotOptimize(right.data());
        if (census) {
            voiceBlocks += static_cast<double>(instrument.voices()) * b.frames;
        }
    }
    return voiceBlocks / static_cast<double>(piece.frames());
}

void render(benchmark::State& state, PeerInstrument* instrument, const Piece* piece) {
    FloatingPointEnvironment::DenormalGuard guard;
    instrument->restart();
    const double voices = play(*instrument, *piece, true);
    for (auto _ : state) {
        state.PauseTiming();
        instrument->restart();
        state.ResumeTiming();
        play(*instrument, *piece, false);
    }
    state.counters["rtf"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * piece->seconds(), benchmark::Counter::kIsRate);
    if (voices >= 0.0) {
        state.counters["voices"] = voices;
    }
}

template <typename Make>
void add(std::vector<std::unique_ptr<PeerInstrument>>& to, const char* what, Make make) {
    try {
        to.push_back(make());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "skipping %s: %s\n", what, e.what());
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }

    std::vector<Piece> pieces;
    pieces.emplace_back("demo", ORVANE_DEMO_MID);
    pieces.emplace_back("chords", ORVANE_PIECES_DIR "/chords.mid");
    pieces.emplace_back("dense", ORVANE_PIECES_DIR "/dense.mid");
    pieces.emplace_back("allkeys", ORVANE_PIECES_DIR "/allkeys.mid");
    pieces.emplace_back("invention", ORVANE_PIECES_DIR "/invention.mid");
    pieces.emplace_back("ragtime", ORVANE_PIECES_DIR "/ragtime.mid");
    pieces.emplace_back("silence", ORVANE_PIECES_DIR "/silence.mid");

    std::vector<std::unique_ptr<PeerInstrument>> instruments;
    add(instruments, "Orvane Piano", [] { return std::make_unique<OrvanePeer>(); });
    add(instruments, "FluidSynth",
        [] { return std::make_unique<FluidSynthPeer>(ORVANE_GM_SOUNDFONT); });
    add(instruments, "STK FM piano",
        [] { return std::make_unique<FmPianoPeer>(ORVANE_STK_RAWWAVES "/"); });
    add(instruments, "mda EPiano", [] { return std::make_unique<SamplePianoPeer>(); });

    std::vector<std::string> pieceNames, instrumentNames;
    for (const auto& i : instruments) {
        instrumentNames.emplace_back(i->name());
    }
    for (const Piece& p : pieces) {
        pieceNames.push_back(p.name());
        for (const auto& i : instruments) {
            benchmark::RegisterBenchmark((p.name() + "/" + i->name()).c_str(), render, i.get(), &p)
                ->Unit(benchmark::kMillisecond);
        }
    }

    RatioReporter reporter(pieceNames, instrumentNames, "mda EPiano");
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printTable(std::cout);
    benchmark::Shutdown();
    return 0;
}
