#pragma once

#include <cstddef>

#include "OutputLevel.h"
#include "PeakingBand.h"
#include "ShelfBiquad.h"
#include "ShelfFilter.h"
#include "StereoLanes.h"

// The voicing's steady stereo line-up (band1, low shelf, band2, high-shelf biquad, high shelf,
// output level) as six stages skewed in time, so that one step runs them all side by side: stage
// s takes sample t - 2s at step t. Stages of one kind share registers (band1 with band2, the low
// shelf with the high shelf), and what a stage passed on two steps ago is the next stage's input:
// one step apart, a stage would wait on a register its own output feeds at the step before. Each
// stage still takes its samples in order through its own arithmetic, so its outputs and state are
// those of the sample-by-sample chain, bit for bit.
//
// A slice of n samples runs as the steps 0 .. n + kDepth - 1: at step t sample t goes in and
// sample t - kDepth comes out. The first kDepth steps fill the pipeline and the last kDepth drain
// it. The steps up to the drain may run in a caller's own loop (the voice kernel steps the chain
// on each sample it mixes), and with every step inlined they compile for the caller's
// instruction set.
struct SkewedChain {
    static constexpr int kSkew = 2;           // steps between a stage and the next
    static constexpr int kDepth = 5 * kSkew;  // steps from a sample's first stage to its last

    // The coefficients of two units of one kind, each spread over its pair of lanes.
    struct PeakingPairCoefficients {
        StereoPairFloats b;
        StereoPairFloats a1;
        StereoPairFloats a2;
    };
    struct ShelfPairCoefficients {
        StereoPairFloats b;
        StereoPairFloats a;
    };

    // Where a stereo slice comes from and goes to (in place, or between buffers apart).
    struct Io {
        const float* left;
        const float* right;
        float* outLeft;
        float* outRight;
        ptrdiff_t leftStride;
        ptrdiff_t rightStride;
        ptrdiff_t outLeftStride;
        ptrdiff_t outRightStride;

        [[gnu::always_inline]] StereoPairFloats input(int i) const noexcept {
            return StereoPairFloats{left[i * leftStride], right[i * rightStride], 0.0f, 0.0f};
        }
        [[gnu::always_inline]] void output(int i, StereoPairFloats y) const noexcept {
            outLeft[i * outLeftStride] = y[0];
            outRight[i * outRightStride] = y[1];
        }
    };

    // Every signal fills a register of four lanes. A single stereo signal (the input, the high
    // shelf biquad's, the output level's) lies in lanes 0 and 1, and nothing reads lanes 2 and 3.
    // Held as two lanes, it would cost moves that clear the register's upper lanes, and trips
    // through general registers, at every step.
    PeakingBand::Section<StereoPairFloats, PeakingPairCoefficients> bands;  // band1 | band2
    ShelfFilter::PairSection<ShelfPairCoefficients> shelves;                // lowShelf | highShelf
    ShelfBiquad::Section<StereoPairFloats> hb;
    OutputLevel::Section<StereoPairFloats> ol;
    // what the stages passed on one step ago and two
    StereoPairFloats banded{}, bandedBefore{};
    StereoPairFloats shelved{}, shelvedBefore{};
    StereoPairFloats biquadded{}, biquaddedBefore{};

    // The stages' inputs at a step whose input is x: what the stage before each passed on two
    // steps ago.
    struct Inputs {
        StereoPairFloats bands, shelves, hb, ol;
    };
    [[gnu::always_inline]] Inputs inputs(StereoPairFloats x) const noexcept {
        return {__builtin_shufflevector(x, shelvedBefore, 0, 1, 4, 5),
                __builtin_shufflevector(bandedBefore, biquaddedBefore, 0, 1, 4, 5),
                __builtin_shufflevector(bandedBefore, bandedBefore, 2, 3, 2, 3),
                __builtin_shufflevector(shelvedBefore, shelvedBefore, 2, 3, 2, 3)};
    }

    // One steady step: x is sample t's input (lanes 0 and 1), and the output is sample
    // t - kDepth's.
    [[gnu::always_inline]] StereoPairFloats operator()(StereoPairFloats x) noexcept {
        const Inputs in = inputs(x);
        bandedBefore = banded;
        shelvedBefore = shelved;
        biquaddedBefore = biquadded;
        banded = bands(in.bands);
        shelved = shelves(in.shelves);
        biquadded = hb(in.hb);
        return ol(in.ol);
    }

    // A step of the pipeline's filling or draining, of n samples: stages with no sample at
    // step t keep their state.
    [[gnu::always_inline]] StereoPairFloats partialStep(StereoPairFloats x, int t, int n) noexcept {
        auto runs = [t, n](int stage) {
            return kSkew * stage <= t && t < n + kSkew * stage ? -1 : 0;
        };
        const StereoPairMask bandsRun = {runs(0), runs(0), runs(2), runs(2)};
        const StereoPairMask shelvesRun = {runs(1), runs(1), runs(4), runs(4)};
        const StereoPairFloats w1 = bands.w1;
        const StereoPairFloats w2 = bands.w2;
        const StereoPairFloats s = shelves.s;
        const auto hbState = hb;
        const auto olState = ol;
        const StereoPairFloats y = (*this)(x);
        bands.w1 = bandsRun ? bands.w1 : w1;
        bands.w2 = bandsRun ? bands.w2 : w2;
        shelves.s = shelvesRun ? shelves.s : s;
        if (runs(3) == 0) {
            hb = hbState;
        }
        if (runs(5) == 0) {
            ol = olState;
        }
        return y;
    }

    // Step n + T of the drain after n >= kDepth samples, for T from 0 to kDepth - 1, with no
    // input: a stage still holds a sample while T < kSkew·stage, and only those stages run. What
    // the others would compute is read by no stage that still runs, and their state stays; so the
    // outputs and states are those of the partial steps.
    template <int T>
    [[gnu::always_inline]] StereoPairFloats drainStep() noexcept {
        constexpr auto holds = [](int stage) { return T < kSkew * stage; };
        static_assert(!holds(0) && holds(5), "a step of the drain");
        const Inputs in = inputs(StereoPairFloats{});
        if constexpr (holds(2)) {
            // band2 runs on lanes 2 and 3; band1, in lanes 0 and 1, keeps its state
            const StereoPairFloats w1 = bands.w1;
            const StereoPairFloats w2 = bands.w2;
            bandedBefore = banded;
            banded = bands(in.bands);
            bands.w1 = __builtin_shufflevector(w1, bands.w1, 0, 1, 6, 7);
            bands.w2 = __builtin_shufflevector(w2, bands.w2, 0, 1, 6, 7);
        } else {
            bandedBefore = banded;
        }
        if constexpr (holds(4)) {
            // the high shelf runs on lanes 2 and 3, the low shelf on 0 and 1 while it holds one
            const StereoPairFloats state = shelves.s;
            shelvedBefore = shelved;
            shelved = shelves(in.shelves);
            if constexpr (!holds(1)) {
                shelves.s = __builtin_shufflevector(state, shelves.s, 0, 1, 6, 7);
            }
        } else {
            shelvedBefore = shelved;
        }
        biquaddedBefore = biquadded;
        if constexpr (holds(3)) {
            biquadded = hb(in.hb);
        }
        return ol(in.ol);
    }

    // The n samples of io through the chain: every step.
    void run(const Io& io, int n) noexcept;
    // Steps from..to - 1 of a slice of n samples, each on its sample of io: a part of run's steps
    // before the drain, where a slice's samples come in parts.
    void feed(const Io& io, int from, int to, int n) noexcept;
    // The steps that drain it after n samples, n .. n + kDepth - 1: the last kDepth samples come
    // out.
    void drain(const Io& io, int n) noexcept;
};
