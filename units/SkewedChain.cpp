#include "SkewedChain.h"

#include <utility>

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

// The drain after n >= kDepth samples, each of its steps reduced to the stages that still hold
// a sample.
template <int... T>
[[gnu::always_inline]] inline void drainSteps(SkewedChain& chain, const SkewedChain::Io& io, int n,
                                              std::integer_sequence<int, T...>) noexcept {
    SkewedChain run = chain;  // a copy whose address nothing takes: it stays in registers
    (io.output(n + T - SkewedChain::kDepth, run.drainStep<T>()), ...);
    chain = run;
}

using PartialSteps = void (*)(SkewedChain&, const SkewedChain::Io&, int, int, int);

// Steps from..to - 1 of a slice of n samples, each on its sample of io. The steps where the
// pipeline fills run in the function Partial, apart from the loop of full steps, so that loop
// keeps its registers.
template <PartialSteps Partial>
[[gnu::always_inline]] inline void feedSteps(SkewedChain& chain, const SkewedChain::Io io, int from,
                                             int to, int n) noexcept {
    constexpr int kDepth = SkewedChain::kDepth;
    const int filled = to < kDepth ? to : (from > kDepth ? from : kDepth);
    Partial(chain, io, from, filled, n);
    SkewedChain run = chain;  // a copy whose address nothing takes: it stays in registers
    for (int t = filled; t < to; ++t) {
        io.output(t - kDepth, run(io.input(t)));
    }
    chain = run;
}

[[gnu::noinline]] void partialStepsPortable(SkewedChain& chain, const SkewedChain::Io& io, int from,
                                            int to, int n) noexcept {
    partialSteps(chain, io, from, to, n);
}

[[gnu::noinline]] void drainPortable(SkewedChain& chain, const SkewedChain::Io& io,
                                     int n) noexcept {
    drainSteps(chain, io, n, std::make_integer_sequence<int, SkewedChain::kDepth>{});
}

[[gnu::noinline]] void feedPortable(SkewedChain& chain, const SkewedChain::Io io, int from, int to,
                                    int n) noexcept {
    feedSteps<&partialStepsPortable>(chain, io, from, to, n);
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

[[gnu::noinline, gnu::target("avx512f,avx512vl"), gnu::flatten]] void drainWidest(
    SkewedChain& chain, const SkewedChain::Io& io, int n) noexcept {
    drainSteps(chain, io, n, std::make_integer_sequence<int, SkewedChain::kDepth>{});
}

[[gnu::noinline, gnu::target("avx512f,avx512vl"), gnu::flatten]] void feedWidest(
    SkewedChain& chain, const SkewedChain::Io io, int from, int to, int n) noexcept {
    feedSteps<&partialStepsWidest>(chain, io, from, to, n);
}

const bool widest = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") != 0 && __builtin_cpu_supports("avx512vl") != 0;
}();
#endif

}  // namespace

void SkewedChain::run(const Io& io, int n) noexcept {
    feed(io, 0, n, n);
    drain(io, n);
}

void SkewedChain::feed(const Io& io, int from, int to, int n) noexcept {
#if defined(ORVANE_WIDE_UNITS)
    if (widest) {
        feedWidest(*this, io, from, to, n);
        return;
    }
#endif
    feedPortable(*this, io, from, to, n);
}

void SkewedChain::drain(const Io& io, int n) noexcept {
#if defined(ORVANE_WIDE_UNITS)
    if (widest) {
        if (n < kDepth) {
            partialStepsWidest(*this, io, n, n + kDepth, n);
        } else {
            drainWidest(*this, io, n);
        }
        return;
    }
#endif
    if (n < kDepth) {
        partialStepsPortable(*this, io, n, n + kDepth, n);
    } else {
        drainPortable(*this, io, n);
    }
}
