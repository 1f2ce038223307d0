#include "EffectsChain.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

// Whether frames samples `stride` apart from a and from b share memory.
bool overlaps(const ChannelBuffer& a, const ChannelBuffer& b, int frames) noexcept {
    auto span = [frames](const ChannelBuffer& c, uintptr_t& lo, uintptr_t& hi) {
        const auto first = reinterpret_cast<uintptr_t>(c.samples);
        const auto last =
            reinterpret_cast<uintptr_t>(c.samples + static_cast<ptrdiff_t>(frames - 1) * c.stride);
        lo = first < last ? first : last;
        hi = (first < last ? last : first) + sizeof(float);
    };
    uintptr_t aLo = 0, aHi = 0, bLo = 0, bHi = 0;
    span(a, aLo, aHi);
    span(b, bLo, bHi);
    return aLo < bHi && bLo < aHi;
}

// Whether every one of frames samples `stride` apart holds the bits of the first. Adjacent
// samples are compared sixteen at a time (a loop the compiler turns into vector compares),
// leaving at the first block that differs.
bool constant(const float* samples, ptrdiff_t stride, int frames) noexcept {
    const auto first = std::bit_cast<uint32_t>(samples[0]);
    int i = 1;
    if (stride == 1) {
        constexpr int kBlock = 16;
        for (; i + kBlock <= frames; i += kBlock) {
            uint32_t differ = 0;
            for (int j = 0; j < kBlock; ++j) {
                differ |= std::bit_cast<uint32_t>(samples[i + j]) ^ first;
            }
            if (differ != 0) {
                return false;
            }
        }
    }
    for (; i < frames; ++i) {
        if (std::bit_cast<uint32_t>(samples[i * stride]) != first) {
            return false;
        }
    }
    return true;
}

template <typename T>
bool sameBits(const T& a, const T& b) noexcept {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

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

inline StereoPairFloats spread(float first, float second) noexcept {
    return StereoPairFloats{first, first, second, second};
}

// The six stages skewed in time, so that one step runs them all side by side: stage s takes
// sample t - 2s at step t. Stages of one kind share registers (band1 with band2, the low shelf
// with the high shelf), and what a stage passed on two steps ago is the next stage's input: one
// step apart, a stage would wait on a register its own output feeds at the step before. Each
// stage still takes its samples in order through its own arithmetic, so its outputs and state
// are those of the sample-by-sample chain, bit for bit.
struct SkewedChain {
    static constexpr int kSkew = 2;           // steps between a stage and the next
    static constexpr int kDepth = 5 * kSkew;  // steps from a sample's first stage to its last

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

    // One step: x is sample t's input, and the output is sample t - kDepth's.
    [[gnu::always_inline]] StereoPairFloats operator()(StereoPairFloats x) noexcept {
        const StereoPairFloats bandsIn = __builtin_shufflevector(x, shelvedBefore, 0, 1, 4, 5);
        const StereoPairFloats shelvesIn =
            __builtin_shufflevector(bandedBefore, biquaddedBefore, 0, 1, 4, 5);
        const StereoPairFloats hbIn =
            __builtin_shufflevector(bandedBefore, bandedBefore, 2, 3, 2, 3);
        const StereoPairFloats olIn =
            __builtin_shufflevector(shelvedBefore, shelvedBefore, 2, 3, 2, 3);
        bandedBefore = banded;
        shelvedBefore = shelved;
        biquaddedBefore = biquadded;
        banded = bands(bandsIn);
        shelved = shelves(shelvesIn);
        biquadded = hb(hbIn);
        return ol(olIn);
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
};

// Where a stereo slice comes from and goes to.
struct StereoIo {
    const float* left;
    const float* right;
    float* outLeft;
    float* outRight;
    ptrdiff_t leftStride;
    ptrdiff_t rightStride;
    ptrdiff_t outLeftStride;
    ptrdiff_t outRightStride;

    StereoPairFloats input(int i) const noexcept {
        return StereoPairFloats{left[i * leftStride], right[i * rightStride], 0.0f, 0.0f};
    }
    void output(int i, StereoPairFloats y) const noexcept {
        outLeft[i * outLeftStride] = y[0];
        outRight[i * outRightStride] = y[1];
    }
};

// Steps from..to - 1 of a slice of n samples, where the pipeline fills or drains.
[[gnu::always_inline]] inline void partialSteps(SkewedChain& chain, const StereoIo& io, int from,
                                                int to, int n) noexcept {
    for (int t = from; t < to; ++t) {
        const StereoPairFloats y =
            chain.partialStep(t < n ? io.input(t) : StereoPairFloats{}, t, n);
        if (t >= SkewedChain::kDepth) {
            io.output(t - SkewedChain::kDepth, y);
        }
    }
}

// The n samples of a slice through the skewed chain. The steps where the pipeline fills or
// drains run in Partial's function, apart from the loop of full steps, so that loop keeps its
// registers.
template <void (*Partial)(SkewedChain&, const StereoIo&, int, int, int)>
[[gnu::always_inline]] inline void runSkewedSteps(SkewedChain& chain, const StereoIo io,
                                                  int n) noexcept {
    constexpr int kDepth = SkewedChain::kDepth;
    const int filled = n < kDepth ? n : kDepth;
    Partial(chain, io, 0, filled, n);
    SkewedChain run = chain;  // a copy whose address nothing takes: it stays in registers
    for (int t = filled; t < n; ++t) {
        io.output(t - kDepth, run(io.input(t)));
    }
    chain = run;
    Partial(chain, io, n, n + kDepth, n);
}

[[gnu::noinline]] void partialStepsPortable(SkewedChain& chain, const StereoIo& io, int from,
                                            int to, int n) noexcept {
    partialSteps(chain, io, from, to, n);
}

// The same loops compiled for AVX-512, chosen at load time on processors that have it: its 32
// registers keep the chain's coefficients and state out of memory, and its three-operand forms
// need no copies. Every function the loops call is inlined into them (so no code of a shared
// header is compiled for AVX-512), and this source contracts no product and sum into a fused
// multiply-add: each lane computes exactly what the portable loop computes.
#if defined(ORVANE_WIDE_UNITS)
[[gnu::noinline, gnu::target("avx512f,avx512vl"), gnu::flatten]] void partialStepsWidest(
    SkewedChain& chain, const StereoIo& io, int from, int to, int n) noexcept {
    partialSteps(chain, io, from, to, n);
}

[[gnu::target("avx512f,avx512vl"), gnu::flatten]] void runSkewedWidest(SkewedChain& chain,
                                                                       const StereoIo io,
                                                                       int n) noexcept {
    runSkewedSteps<&partialStepsWidest>(chain, io, n);
}

const bool widest = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") != 0 && __builtin_cpu_supports("avx512vl") != 0;
}();
#endif

// Apart from the caller, whose settled path then keeps its own registers.
[[gnu::noinline]] void runSkewed(SkewedChain& chain, const StereoIo io, int n) noexcept {
#if defined(ORVANE_WIDE_UNITS)
    if (widest) {
        runSkewedWidest(chain, io, n);
        return;
    }
#endif
    runSkewedSteps<&partialStepsPortable>(chain, io, n);
}

}  // namespace

int EffectsChain::setup(int inputs, int outputs) {
    int result = 0;
    forEachUnit([&](auto& unit) { result += unit.setup(inputs, outputs); });
    return result;
}

void EffectsChain::reset() noexcept {
    forEachUnit([](auto& unit) { unit.reset(); });
}

int EffectsChain::configure(const float (&values)[kValueCount]) noexcept {
    // v(n) is the chain's value n (1-based, as the values are numbered).
    auto v = [&values](int n) { return values[n - 1]; };
    auto on = [&v](int n) { return v(n) != 0.0f; };

    stage2Alt = on(21);
    stage3Alt = on(22);
    stage4Alt = on(23);
    stage5Alt = on(24);
    stage6On = on(25);
    stage3On = on(17) && on(2);
    stage4On = on(19) && on(4);
    // The cascades have no gain: selected, they run whatever the stage gain.
    stage2On = on(16) && (on(21) || on(1));
    stage5On = on(20) && (on(24) || on(5));
    const float band1Gain = on(18) ? v(3) : 0.0f;

    constexpr int kGlide = 1;
    const float rate = v(26);
    lowShelf.setParameters({.frequency = v(6), .gain = v(1), .glide = kGlide, .sampleRate = rate});
    highPass.setParameters(
        {.frequency = v(6), .order = v(11), .glideMs = kCascadeGlideMs, .sampleRate = rate});
    band2.setParameters(
        {.frequency = v(7), .gain = v(2), .q = v(12), .glide = kGlide, .sampleRate = rate});
    lowShelfBiquad.setParameters(
        {.frequency = v(7), .gain = v(2), .slope = v(12), .ramp = kGlide, .sampleRate = rate});
    band1.setParameters(
        {.frequency = v(8), .gain = band1Gain, .q = v(13), .glide = kGlide, .sampleRate = rate});
    band3.setParameters(
        {.frequency = v(9), .gain = v(4), .q = v(14), .glide = kGlide, .sampleRate = rate});
    highShelfBiquad.setParameters(
        {.frequency = v(9), .gain = v(4), .slope = v(14), .ramp = kGlide, .sampleRate = rate});
    highShelf.setParameters(
        {.frequency = v(10), .gain = v(5), .glide = kGlide, .sampleRate = rate});
    lowPass.setParameters(
        {.frequency = v(10), .order = v(15), .glideMs = kCascadeGlideMs, .sampleRate = rate});
    outputLevel.setSampleRate(rate);
    outputLevel.setParameters(v(25), 0);
    return 0;
}

int EffectsChain::process(const ChannelBuffers& in, const ChannelBuffers& out) noexcept {
    if (processSteadyStereo(in, out)) {
        return 0;
    }
    // A stage runs in place on out, its alternative implementation when selected.
    auto stage = [&out](bool on, bool alt, auto& alternative, auto& standard) {
        if (!on) {
            return;
        }
        if (alt) {
            alternative.process(out, out);
        } else {
            standard.process(out, out);
        }
    };
    band1.process(in, out);
    stage(stage2On, stage2Alt, highPass, lowShelf);
    stage(stage3On, stage3Alt, lowShelfBiquad, band2);
    stage(stage4On, stage4Alt, highShelfBiquad, band3);
    stage(stage5On, stage5Alt, lowPass, highShelf);
    if (stage6On) {
        outputLevel.process(out, out);
    }
    return 0;
}

bool EffectsChain::processSteadyStereo(const ChannelBuffers& in,
                                       const ChannelBuffers& out) noexcept {
    const bool lineUp = stage2On && !stage2Alt && stage3On && !stage3Alt && stage4On && stage4Alt &&
                        stage5On && !stage5Alt && stage6On;
    if (!lineUp || band1.gliding() || lowShelf.gliding() || band2.gliding() ||
        highShelfBiquad.gliding() || highShelf.gliding()) {
        return false;
    }
    bool stereo = true;
    forEachUnit([&stereo](const auto& unit) { stereo = stereo && unit.inputChannels() == 2; });
    const int n = in[0].frames;
    if (!stereo || n <= 0 || in[1].frames != n || out[0].frames != n || out[1].frames != n) {
        return false;
    }
    for (int c = 0; c < 2; ++c) {
        if (in[c].samples == nullptr || out[c].samples == nullptr) {
            return false;
        }
    }
    // Stage by stage, channel 0 is done before channel 1 is read: side by side gives the same
    // samples only when neither channel's output is the other channel's input or output.
    if (overlaps(out[0], in[1], n) || overlaps(out[0], out[1], n) || overlaps(out[1], in[0], n)) {
        return false;
    }
    // The skewed loop below reads a channel's input up to ten samples ahead of the output it
    // writes: a channel runs either in place or between buffers apart.
    for (int c = 0; c < 2; ++c) {
        const bool inPlace = in[c].samples == out[c].samples && in[c].stride == out[c].stride;
        if (!inPlace && overlaps(in[c], out[c], n)) {
            return false;
        }
    }

    // The six sections, a sample through all of them at a time.
    struct Chain {
        PeakingBand::Section<StereoFloats> b1;
        ShelfFilter::Section<false, StereoFloats> ls;
        PeakingBand::Section<StereoFloats> b2;
        ShelfBiquad::Section<StereoFloats> hb;
        ShelfFilter::Section<true, StereoFloats> hs;
        OutputLevel::Section<StereoFloats> ol;

        // Inlined at every call, so the slice's loop keeps the state in registers.
        [[gnu::always_inline]] StereoFloats operator()(StereoFloats x) noexcept {
            return ol(hs(hb(b2(ls(b1(x))))));
        }
        // Whether every bit of the state (not the coefficients, which stay) is as in o.
        bool sameState(const Chain& o) const noexcept {
            return sameBits(b1.w1, o.b1.w1) && sameBits(b1.w2, o.b1.w2) && sameBits(ls.s, o.ls.s) &&
                   sameBits(b2.w1, o.b2.w1) && sameBits(b2.w2, o.b2.w2) &&
                   sameBits(hb.w1, o.hb.w1) && sameBits(hb.w2, o.hb.w2) && sameBits(hs.s, o.hs.s) &&
                   sameBits(ol.g, o.ol.g);
        }
    };
    Chain chain{band1.stereoSection(),           lowShelf.stereoSection<false>(),
                band2.stereoSection(),           highShelfBiquad.stereoSection(),
                highShelf.stereoSection<true>(), outputLevel.stereoSection()};

    const float* left = in[0].samples;
    const float* right = in[1].samples;
    float* outLeft = out[0].samples;
    float* outRight = out[1].samples;
    const ptrdiff_t leftStride = in[0].stride;
    const ptrdiff_t rightStride = in[1].stride;
    const ptrdiff_t outLeftStride = out[0].stride;
    const ptrdiff_t outRightStride = out[1].stride;

    // Settled: a step is a function of the state and the input alone. When the input holds the
    // same bits at every sample and a few steps bring every state bit back to where it was (the
    // filters at their fixed point under that input and the anti-denormal offset, or circling
    // in the last bit of a double), the slice repeats those steps' outputs and states: only
    // they are computed.
    constexpr int kLongestCycle = 4;
    StereoFloats cycle[kLongestCycle];
    int period = 0;
    const StereoFloats first = {left[0], right[0]};
    if (constant(left, leftStride, n) && constant(right, rightStride, n)) {
        Chain trial = chain;
        for (int p = 0; p < kLongestCycle && period == 0; ++p) {
            cycle[p] = trial(first);
            period = trial.sameState(chain) ? p + 1 : 0;
        }
    }
    if (period > 0) {
        for (int i = 0, p = 0; i < n; ++i, p = p + 1 == period ? 0 : p + 1) {
            outLeft[i * outLeftStride] = cycle[p][0];
            outRight[i * outRightStride] = cycle[p][1];
        }
        for (int i = 0; i < n % period; ++i) {
            chain(first);
        }
    } else {
        SkewedChain skewed{
            {{spread(chain.b1.k.b, chain.b2.k.b), spread(chain.b1.k.a1, chain.b2.k.a1),
              spread(chain.b1.k.a2, chain.b2.k.a2)},
             joinStereo(chain.b1.w1, chain.b2.w1),
             joinStereo(chain.b1.w2, chain.b2.w2)},
            {{spread(chain.ls.k.b, chain.hs.k.b), spread(chain.ls.k.a, chain.hs.k.a)},
             joinStereo(chain.ls.s, chain.hs.s)},
            {chain.hb.k, chain.hb.w1, chain.hb.w2},
            {joinStereo(chain.ol.g, chain.ol.g), joinStereo(chain.ol.t, chain.ol.t), chain.ol.s},
            {},
            {},
            {},
            {},
            {},
            {}};
        runSkewed(skewed,
                  {left, right, outLeft, outRight, leftStride, rightStride, outLeftStride,
                   outRightStride},
                  n);
        const SkewedChain& run = skewed;
        chain.b1.w1 = firstStereo(run.bands.w1);
        chain.b1.w2 = firstStereo(run.bands.w2);
        chain.b2.w1 = secondStereo(run.bands.w1);
        chain.b2.w2 = secondStereo(run.bands.w2);
        chain.ls.s = firstStereo(run.shelves.s);
        chain.hs.s = secondStereo(run.shelves.s);
        chain.hb.w1 = run.hb.w1;
        chain.hb.w2 = run.hb.w2;
        chain.ol.g = firstStereo(run.ol.g);
    }

    band1.store(chain.b1);
    lowShelf.store(chain.ls);
    band2.store(chain.b2);
    highShelfBiquad.store(chain.hb);
    highShelf.store(chain.hs);
    outputLevel.store(chain.ol);
    return true;
}
