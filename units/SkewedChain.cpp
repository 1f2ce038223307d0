#include "SkewedChain.h"

namespace {

// Steps from..to - 1 of a slice of n samples, where the pipeline fills or drains.
[[gnu::always_inline]] inline void partialSteps(SkewedChain& chain, const SkewedChain::Io& io,
                                                int from, int to, int n) noexcept {
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
template <void (*Partial)(SkewedChain&, const SkewedChain::Io&, int, int, int)>
[[gnu::always_inline]] inline void runSteps(SkewedChain& chain, const SkewedChain::Io io,
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

[[gnu::noinline]] void partialStepsPortable(SkewedChain& chain, const SkewedChain::Io& io, int from,
                                            int to, int n) noexcept {
    partialSteps(chain, io, from, to, n);
}

[[gnu::noinline]] void runPortable(SkewedChain& chain, const SkewedChain::Io io, int n) noexcept {
    runSteps<&partialStepsPortable>(chain, io, n);
}

// The same loops compiled for AVX-512, chosen at load time on processors that have it: its 32
// registers keep the chain's coefficients and state out of memory, and its three-operand forms
// need no copies. Every function the loops call is inlined into them (so no code of a shared
// header is compiled for AVX-512), and this source contracts no product and sum into a fused
// multiply-add: each lane computes exactly what the portable loop computes.
#if defined(ORVANE_WIDE_UNITS)
[[gnu::noinline, gnu::target("avx512f,avx512vl"), gnu::flatten]] void partialStepsWidest(
    SkewedChain& chain, const SkewedChain::Io& io, int from, int to, int n) noexcept {
    partialSteps(chain, io, from, to, n);
}

[[gnu::noinline, gnu::target("avx512f,avx512vl"), gnu::flatten]] void runWidest(
    SkewedChain& chain, const SkewedChain::Io io, int n) noexcept {
    runSteps<&partialStepsWidest>(chain, io, n);
}

const bool widest = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") != 0 && __builtin_cpu_supports("avx512vl") != 0;
}();
#endif

}  // namespace

void SkewedChain::run(const Io& io, int n) noexcept {
#if defined(ORVANE_WIDE_UNITS)
    if (widest) {
        runWidest(*this, io, n);
        return;
    }
#endif
    runPortable(*this, io, n);
}

void SkewedChain::drain(const Io& io, int n) noexcept {
#if defined(ORVANE_WIDE_UNITS)
    if (widest) {
        partialStepsWidest(*this, io, n, n + kDepth, n);
        return;
    }
#endif
    partialStepsPortable(*this, io, n, n + kDepth, n);
}
