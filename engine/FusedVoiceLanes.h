#pragma once

// The fused loop of FusedVoiceKernel over L key voices, one lane each. Private to the kernel's
// sources: each of them compiles its own copy of the loop (the functions sit in an unnamed
// namespace) for its own instruction set, so code built for a wider vector unit never stands in
// for the portable one. Include nothing here that emits shared inline code: what the loops take
// from other headers (the equaliser's steps) is always inlined.

#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "AntiDenormal.h"
#include "SkewedChain.h"

#if defined(__SSE2__)
#include <immintrin.h>  // exact conversions between the float and double lanes, done in place
#define ORVANE_FUSED_X86 1
#endif

// The state and coefficients of L voices, one lane each, as the loop reads and writes them.
// Masks are -1 (all bits set) for true and 0 for false.
template <int L>
struct FusedVoiceLanes {
    static constexpr int kResonators = 3;  // tine, bell1, bell2
    static constexpr int kMaxFrames = 256;

    // the call: frames, voices (lanes in use) and where their sum goes
    int frames;
    int count;
    int channels;
    float* outputs[2];
    int stride;
    bool pulse;   // some lane's hammer pulse runs in this slice
    bool bells;   // some lane's bell sounds
    bool damper;  // some lane's tine sounds released
    // The equaliser begun on the slice (or the host block of slices), which the loop steps on the
    // lanes' stereo mix and whose output it writes to the outputs; null where the loop's outputs
    // are mixed after it. These frames are the slice's (or block's) from its frame firstStep on;
    // it has sliceFrames, and the outputs point at its start.
    SkewedChain* equaliser;
    int firstStep;
    int sliceFrames;
    // Where the loop runs on into the next slice (only with the equaliser and no pulse): the
    // frames of the first slice, whose inputs go to firstBellInput; 0 for a single slice.
    int boundary;

    // hammer
    float amplitude[L];
    float pole[L];      // the power's fall per sample
    float timeStep[L];  // the pulse clock's advance per sample
    float time[L];
    float power[L];
    int32_t order[L];
    int32_t pulsing[L];  // the pulse runs in this slice (judged at its start)

    // resonators: tine, bell1, bell2
    double cosOmega[kResonators][L];
    float decay[kResonators][L];
    float gain[kResonators][L];
    float s1[kResonators][L];
    float s2[kResonators][L];
    int32_t sounding[kResonators][L];  // judged at the start of the slice

    // tine damper
    float damperAlpha[L];
    float damperFloor[L];
    float damperState[L];
    int32_t contacting[L];  // the tine sounds and is released

    // thump low-pass and output high-pass
    float thumpF[L];
    float thumpDamping[L];
    float thumpGain[L];
    float thumpBand[L];
    float thumpLow[L];
    float outF[L];
    float outDamping[L];
    float outGain[L];
    float outBand[L];
    float outLow[L];

    // pickup
    float offset[L];
    float bias[L];

    // voice
    float levelFall;  // per-sample fall of the running peak (shared context)
    float level[L];
    float gainLeft[L];
    float gainRight[L];

    // what the slice saw
    int32_t tineInput[L];       // a non-zero input sample reached the tine
    int32_t bellInput[L];       // ... the bells
    int32_t died[L];            // the running level fell below the silence level
    int32_t firstBellInput[L];  // ... the bells in the first of two slices (boundary > 0)
};

namespace {

// L lanes of floats and of float masks; the doubles of the resonator steps go in H = L / W
// parts of W lanes (W floats of a part widen to one register of doubles). Every operation is the
// IEEE operation of each lane, so a lane computes exactly what the scalar code computes.
template <int L, int W>
struct FusedVectors {
    static constexpr int kW = W;
    static constexpr int H = L / W;
    typedef float F __attribute__((vector_size(4 * L)));
    typedef float Part __attribute__((vector_size(4 * W)));
    typedef double D __attribute__((vector_size(8 * W)));
    typedef int32_t I __attribute__((vector_size(4 * L)));
};

// One lane is plain scalars, which the compiler keeps in registers.
template <>
struct FusedVectors<1, 1> {
    static constexpr int kW = 1;
    static constexpr int H = 1;
    typedef float F;
    typedef float Part;
    typedef double D;
    typedef int32_t I;
};

// Lane by lane conversion between float and double lanes of the same count.
template <typename To, typename From>
inline To convertLanes(const From& x) noexcept {
    if constexpr (std::is_arithmetic_v<From>) {
        return static_cast<To>(x);
    } else {
        return __builtin_convertvector(x, To);
    }
}

template <typename V, typename T>
inline void loadLanes(V& v, const T* p) noexcept {
    std::memcpy(&v, p, sizeof v);
}

template <typename V, typename T>
inline void storeLanes(T* p, const V& v) noexcept {
    std::memcpy(p, &v, sizeof v);
}

// Float lanes to double parts (H is 1 or 2). The x86 forms convert in place; the generic form
// would take the lanes apart (one by one, or in halves through memory) on some compilers. The
// 512-bit forms select every lane (mask 0xFF): the unmasked ones read an undefined register that
// some compilers warn about.
template <typename V>
inline void widenLanes(const typename V::F& f, typename V::D (&d)[V::H]) noexcept {
    using D = typename V::D;
    using Part [[maybe_unused]] = typename V::Part;  // for the generic forms
    if constexpr (V::H == 1) {
#if defined(__AVX__)
        if constexpr (V::kW == 4) {
            d[0] = (D)_mm256_cvtps_pd((__m128)f);
            return;
        }
#endif
#if defined(__AVX512F__)
        if constexpr (V::kW == 8) {
            d[0] = (D)_mm512_maskz_cvtps_pd(0xFF, (__m256)f);
            return;
        }
#endif
        d[0] = convertLanes<D>(f);
    } else if constexpr (V::kW == 2) {
#if defined(ORVANE_FUSED_X86)
        const __m128 v = (__m128)f;
        d[0] = (D)_mm_cvtps_pd(v);
        d[1] = (D)_mm_cvtps_pd(_mm_movehl_ps(v, v));
#else
        d[0] = __builtin_convertvector((Part)__builtin_shufflevector(f, f, 0, 1), D);
        d[1] = __builtin_convertvector((Part)__builtin_shufflevector(f, f, 2, 3), D);
#endif
    } else if constexpr (V::kW == 8) {
#if defined(__AVX512F__)
        typedef float Half __attribute__((vector_size(32)));
        const Half lo = __builtin_shufflevector(f, f, 0, 1, 2, 3, 4, 5, 6, 7);
        const Half hi = __builtin_shufflevector(f, f, 8, 9, 10, 11, 12, 13, 14, 15);
        d[0] = (D)_mm512_maskz_cvtps_pd(0xFF, (__m256)lo);
        d[1] = (D)_mm512_maskz_cvtps_pd(0xFF, (__m256)hi);
#else
        static_assert(V::kW != 8, "parts of eight lanes need AVX-512");
#endif
    } else {
        static_assert(V::kW == 4, "parts of one, two, four or eight lanes");
#if defined(__AVX__)
        const __m256 v = (__m256)f;
        d[0] = (D)_mm256_cvtps_pd(_mm256_castps256_ps128(v));
        d[1] = (D)_mm256_cvtps_pd(_mm256_extractf128_ps(v, 1));
#else
        d[0] = __builtin_convertvector((Part)__builtin_shufflevector(f, f, 0, 1, 2, 3), D);
        d[1] = __builtin_convertvector((Part)__builtin_shufflevector(f, f, 4, 5, 6, 7), D);
#endif
    }
}

// Double parts to float lanes, each value rounded to float.
template <typename V>
inline void narrowLanes(const typename V::D (&d)[V::H], typename V::F& f) noexcept {
    using F = typename V::F;
    using Part [[maybe_unused]] = typename V::Part;  // for the generic forms
    if constexpr (V::H == 1) {
#if defined(__AVX__)
        if constexpr (V::kW == 4) {
            f = (F)_mm256_cvtpd_ps((__m256d)d[0]);
            return;
        }
#endif
#if defined(__AVX512F__)
        if constexpr (V::kW == 8) {
            f = (F)_mm512_maskz_cvtpd_ps(0xFF, (__m512d)d[0]);
            return;
        }
#endif
        f = convertLanes<F>(d[0]);
    } else if constexpr (V::kW == 2) {
#if defined(ORVANE_FUSED_X86)
        f = (F)_mm_movelh_ps(_mm_cvtpd_ps((__m128d)d[0]), _mm_cvtpd_ps((__m128d)d[1]));
#else
        const Part lo = __builtin_convertvector(d[0], Part);
        const Part hi = __builtin_convertvector(d[1], Part);
        f = __builtin_shufflevector(lo, hi, 0, 1, 2, 3);
#endif
    } else if constexpr (V::kW == 8) {
#if defined(__AVX512F__)
        typedef float Half __attribute__((vector_size(32)));
        const Half lo = (Half)_mm512_maskz_cvtpd_ps(0xFF, (__m512d)d[0]);
        const Half hi = (Half)_mm512_maskz_cvtpd_ps(0xFF, (__m512d)d[1]);
        f = __builtin_shufflevector(lo, hi, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
#endif
    } else {
#if defined(__AVX__)
        f = (F)_mm256_insertf128_ps(_mm256_castps128_ps256(_mm256_cvtpd_ps((__m256d)d[0])),
                                    _mm256_cvtpd_ps((__m256d)d[1]), 1);
#else
        const Part lo = __builtin_convertvector(d[0], Part);
        const Part hi = __builtin_convertvector(d[1], Part);
        f = __builtin_shufflevector(lo, hi, 0, 1, 2, 3, 4, 5, 6, 7);
#endif
    }
}

// A double part rounded to float and widened again: the float state of a resonator.
template <typename V>
inline void roundToFloat(typename V::D& d) noexcept {
    using D = typename V::D;
#if defined(__AVX512F__)
    if constexpr (V::kW == 8) {
        d = (D)_mm512_maskz_cvtps_pd(0xFF, _mm512_maskz_cvtpd_ps(0xFF, (__m512d)d));
        return;
    }
#endif
#if defined(__AVX__)
    if constexpr (V::kW == 4) {
        d = (D)_mm256_cvtps_pd(_mm256_cvtpd_ps((__m256d)d));
        return;
    }
#endif
#if defined(ORVANE_FUSED_X86)
    if constexpr (V::kW == 2) {
        d = (D)_mm_cvtps_pd(_mm_cvtpd_ps((__m128d)d));
        return;
    }
#endif
    d = convertLanes<D>(convertLanes<typename V::Part>(d));
}

// One resonator step in double lanes for input x: the state (z1, z2) rounded to float, and the
// step's u, which the resonator's output scales. Undriven, x is +0 and the step leaves out the
// input's add, which would change only a z1 of −0 (see runFusedLanes).
template <typename V, bool Driven = true>
[[gnu::always_inline]] inline typename V::D resonate(const typename V::D& k, const typename V::D& c,
                                                     typename V::D& z1, typename V::D& z2,
                                                     const typename V::D& x) noexcept {
    using D = typename V::D;
    D v;
    if constexpr (Driven) {
        v = k * (z1 + x);
    } else {
        v = k * z1;
    }
    const D w = c * (v + z2);
    const D u = w + v;
    z1 = w - z2;
    roundToFloat<V>(z1);
    z2 = u;
    roundToFloat<V>(z2);
    return u;
}

// Both bells of a part of four lanes side by side in one register of eight doubles, where the
// instruction set has one (AVX-512): bell1 in the lower half, bell2 in the upper. The bells take
// the same input, and each lane computes what the loop's resonator step computes for its bell.
template <typename V, bool kEnabled>
struct PairedBells {
    struct Step {};  // what a step passes on: nothing where the bells are not paired
};

#if defined(__AVX512F__)
template <typename V>
struct PairedBells<V, true> {
    using V2 = FusedVectors<8, 8>;
    using D = typename V::D;
    using F = typename V::F;
    typename V2::D k, c, a, z1, z2;
    typename V2::I on;

    static typename V2::D join(const D& lo, const D& hi) noexcept {
        return __builtin_shufflevector(lo, hi, 0, 1, 2, 3, 4, 5, 6, 7);
    }
    static D half(const typename V2::D& pair, int which) noexcept {
        return which == 0 ? __builtin_shufflevector(pair, pair, 0, 1, 2, 3)
                          : __builtin_shufflevector(pair, pair, 4, 5, 6, 7);
    }

    // From resonators 1 and 2 of the loop's arrays, and back.
    template <typename Resonators, typename On>
    void load(const Resonators& kk, const Resonators& cc, const Resonators& aa,
              const Resonators& s1, const Resonators& s2, const On& sounding) noexcept {
        k = join(kk[1][0], kk[2][0]);
        c = join(cc[1][0], cc[2][0]);
        a = join(aa[1][0], aa[2][0]);
        z1 = join(s1[1][0], s1[2][0]);
        z2 = join(s2[1][0], s2[2][0]);
        on = __builtin_shufflevector(sounding[1], sounding[2], 0, 1, 2, 3, 4, 5, 6, 7);
    }
    template <typename Resonators>
    void store(Resonators& s1, Resonators& s2) const noexcept {
        s1[1][0] = half(z1, 0);
        s1[2][0] = half(z1, 1);
        s2[1][0] = half(z2, 0);
        s2[2][0] = half(z2, 1);
    }

    // One step of both bells for input x (+0 where not Driven), in two parts: the step, which
    // passes on its u, and the output bell1 + bell2.
    using Step = typename V2::D;
    template <bool Driven>
    [[gnu::always_inline]] Step step(const D& x) noexcept {
        return resonate<V2, Driven>(k, c, z1, z2, join(x, x));
    }
    [[gnu::always_inline]] F output(const Step& u) const noexcept {
        const typename V2::D out[1] = {a * u};
        typename V2::F y;
        narrowLanes<V2>(out, y);
        y = on ? y : typename V2::F{};
        const F bell1 = __builtin_shufflevector(y, y, 0, 1, 2, 3);
        const F bell2 = __builtin_shufflevector(y, y, 4, 5, 6, 7);
        return bell1 + bell2;
    }
};
#endif

// KeyVoice's deactivation rule: the running peak of the squared output falls by the context's
// level fall per sample (0.99 at 44.1 kHz); below 1e-10 the voice has died.
constexpr float kFusedSilenceLevel = 1e-10f;

// The loops that can step the equaliser on their mix: four and eight lanes with AVX-512, whose 32
// registers hold the chain beside the voices.
template <int L>
constexpr bool kStepsEqualiser =
#if defined(__AVX512F__)
    L == 4 || L == 8;
#else
    false;
#endif

// The stereo mix of L lanes' outputs y, lane after lane as mixFusedLanes adds them into a
// silent slice: ((y0·left0 + y1·left1) + ...) in lane 0 and the same with the right gains in lane
// 1 (lanes 2 and 3 hold sums that nothing reads). A lane whose gains are −0 adds −0 for its output
// +0, which leaves every sum as it was: unused lanes drop out, and the eight-lane loop (five to
// eight voices) adds lanes 5 to 7 only where in use. The slice's sums begin at its +0,
// these at the first product; they differ only where a sum is zero, in its sign, and the mix goes
// only to the equaliser's first stage, which adds its anti-denormal offset before anything reads
// its input: both zeros give the same sample there.
template <typename F>
[[gnu::always_inline]] inline StereoPairFloats mixStereo(const F& y, const F& left, const F& right,
                                                         int used) noexcept {
    const F pl = y * left;
    const F pr = y * right;
    constexpr int L = sizeof(F) / sizeof(float);
    StereoPairFloats sum;
    // Lanes 0 to 3 (at base 0) or 4 to 7 (at base 4): those from `from` on only where in use.
    auto add = [&sum, used](const StereoPairFloats& l, const StereoPairFloats& r, int base,
                            int from) {
        const StereoPairFloats lo = __builtin_shufflevector(l, r, 0, 4, 1, 5);
        const StereoPairFloats hi = __builtin_shufflevector(l, r, 2, 6, 3, 7);
        auto runs = [used, from](int lane) { return lane < from || lane < used; };
        sum = base == 0 ? lo : sum + lo;
        if (runs(base + 1)) {
            sum = sum + __builtin_shufflevector(lo, lo, 2, 3, 2, 3);
        }
        if (runs(base + 2)) {
            sum = sum + hi;
        }
        if (runs(base + 3)) {
            sum = sum + __builtin_shufflevector(hi, hi, 2, 3, 2, 3);
        }
    };
    if constexpr (L == 4) {
        add(pl, pr, 0, 4);
    } else {
        // the loop of eight lanes runs five to eight voices
        static_assert(L == 8, "four or eight lanes");
        add(__builtin_shufflevector(pl, pl, 0, 1, 2, 3),
            __builtin_shufflevector(pr, pr, 0, 1, 2, 3), 0, 8);
        add(__builtin_shufflevector(pl, pl, 4, 5, 6, 7),
            __builtin_shufflevector(pr, pr, 4, 5, 6, 7), 4, 5);
    }
    return sum;
}

// The fused loop over n samples of L lanes. Pulse, Bells and Damper say whether any lane has a
// running hammer pulse, a sounding bell, a released sounding tine; when false that part is
// left out (its output is zero in every lane). Writes each sample's L outputs to ys[i·L + l];
// Equalised, instead mixes them and steps the lanes' equaliser on the mix (s.equaliser, begun
// on the slice or block, from its step s.firstStep on), writing its output to the outputs.
//
// Without a pulse the hammer's output is +0, and the steps leave out its adds: to the tine's
// state, the thump's, the damper's contact and, with no released tine, the bells' state. Adding
// +0, or subtracting from it, changes at most the sign of a zero, so what the loop computes
// differs from the full steps at most in the signs of zeros. Adds, multiplies, conversions and
// compares carry such a difference on as signs of zeros alone, and none reaches a sample: the level
// squares the output, the pickup squares its input before it divides, and the voices' outputs go to
// a sum begun at +0 (the slice) or to the equaliser's first stage, which adds its anti-denormal
// offset first.
template <int L, int W, bool Pulse, bool Bells, bool Damper, bool Equalised>
void runFusedLanes(FusedVoiceLanes<L>& s, int n, float* ys) noexcept {
    using V = FusedVectors<L, W>;
    using F = typename V::F;
    using Part = typename V::Part;
    using D = typename V::D;
    using I = typename V::I;
    constexpr int H = V::H;
    constexpr int R = FusedVoiceLanes<L>::kResonators;
    const F zero = {};

    // hammer: k-th sample after the strike a·(1 + k·s)^order·pole^(2 + k·s), s the clock step
    F amplitude, pole, dt, t, q;
    I order, pulsing;
    loadLanes(amplitude, s.amplitude);
    loadLanes(pole, s.pole);
    loadLanes(dt, s.timeStep);
    loadLanes(t, s.time);
    loadLanes(q, s.power);
    loadLanes(order, s.order);
    loadLanes(pulsing, s.pulsing);
    int highestOrder = 1;
    for (int l = 0; l < L; ++l) {
        if (s.pulsing[l] != 0 && s.order[l] > highestOrder) {
            highestOrder = s.order[l];
        }
    }

    // resonators: steps in double, state rounded to float every sample
    D c[R][H], k[R][H], a[R][H], z1[R][H], z2[R][H];
    I on[R];
    for (int r = 0; r < R; ++r) {
        for (int h = 0; h < H; ++h) {
            loadLanes(c[r][h], s.cosOmega[r] + h * W);
            Part p;
            loadLanes(p, s.decay[r] + h * W);
            k[r][h] = convertLanes<D>(p);
            loadLanes(p, s.gain[r] + h * W);
            a[r][h] = convertLanes<D>(p);
            loadLanes(p, s.s1[r] + h * W);
            z1[r][h] = convertLanes<D>(p);
            loadLanes(p, s.s2[r] + h * W);
            z2[r][h] = convertLanes<D>(p);
        }
        loadLanes(on[r], s.sounding[r]);
    }
    D damperAlpha[H];
    for (int h = 0; h < H; ++h) {
        Part p;
        loadLanes(p, s.damperAlpha + h * W);
        damperAlpha[h] = convertLanes<D>(p);
    }
    F damperFloor, damperState;
    loadLanes(damperFloor, s.damperFloor);
    loadLanes(damperState, s.damperState);
    // The tine touches the damper below this: 0 where it is released and sounds, and −∞ (which no
    // sample is below) elsewhere.
    I contacting;
    loadLanes(contacting, s.contacting);
    const F contactBelow = contacting ? zero : zero - __builtin_inff();

    F tf, tq, tg, tb, tl, of, oq, og, ob, ol, offset, bias, peak;
    loadLanes(tf, s.thumpF);
    loadLanes(tq, s.thumpDamping);
    loadLanes(tg, s.thumpGain);
    loadLanes(tb, s.thumpBand);
    loadLanes(tl, s.thumpLow);
    loadLanes(of, s.outF);
    loadLanes(oq, s.outDamping);
    loadLanes(og, s.outGain);
    loadLanes(ob, s.outBand);
    loadLanes(ol, s.outLow);
    loadLanes(offset, s.offset);
    loadLanes(bias, s.bias);
    loadLanes(peak, s.level);
    const F fall = s.levelFall + zero;
    const D antiDenormal = static_cast<double>(kAntiDenormal) + D{};

    // What the slice saw, gathered with integer operations, which leave the float adders to the
    // filters: the bits of every input sample's magnitude or'ed together (non-zero where a sample
    // was non-zero, NaN included), and the least running peak read as an integer. The peak is
    // never negative or NaN (a square, or a positive fall times the peak before), and such floats
    // order as their bits do.
    const I magnitude = 0x7FFFFFFF + I{};
    I tineBits = {};
    I bellBits = {};
    I firstBellBits = {};
    I lowest = magnitude;

    // One resonator step of every lane for input xd (+0 where not driven), passing on its u; and
    // the output that u gives, as floats. ring does both.
    auto advance = [&](int r, const D(&xd)[H], D(&u)[H], auto driven)
        __attribute__((always_inline)) {
        for (int h = 0; h < H; ++h) {
            u[h] =
                resonate<V, decltype(driven)::value>(k[r][h], c[r][h], z1[r][h], z2[r][h], xd[h]);
        }
    };
    auto output = [&](int r, const D(&u)[H]) __attribute__((always_inline))->F {
        D out[H];
        for (int h = 0; h < H; ++h) {
            out[h] = a[r][h] * u[h];
        }
        F y;
        narrowLanes<V>(out, y);
        return on[r] ? y : zero;
    };
    auto ring = [&](int r, const D(&xd)[H], F& y, auto driven) __attribute__((always_inline)) {
        D u[H];
        advance(r, xd, u, driven);
        y = output(r, u);
    };
#if defined(__AVX512F__)
    constexpr bool kPairedBells = Bells && H == 1 && W == 4;
#else
    constexpr bool kPairedBells = false;
#endif
    PairedBells<V, kPairedBells> paired;
    if constexpr (kPairedBells) {
        paired.load(k, c, a, z1, z2, on);
    }

    // A sample's way through the voice, in seven parts. A step of the loop runs part j for sample
    // i - j: the parts of one step do not wait on each other, and each part still takes its
    // samples in order, so every lane computes what it computed sample by sample. The parts are
    // cut where a step would otherwise wait long on itself: the bells' outputs are formed a part
    // after their steps, beside the pickup's division; the pickup's sum with the bells is a part
    // of its own, and so is the emit (the mix and the equaliser) after the output high-pass.
    struct TineOut {
        F x;      // the hammer pulse
        F thump;  // the thump low-pass
        F tine;   // the tine
        D xd[H];  // the pulse as doubles
    };
    struct DamperOut {
        F thump;
        F tine;
        F xb;     // the bells' input: the pulse and the damper's contact
        D xd[H];  // the pulse as doubles, the bells' input when no damper sounds
    };
    // The bells' steps, for their outputs in the pickup's part.
    struct BellOut {
        F tine;
        F thump;
        typename PairedBells<V, kPairedBells>::Step pairedStep;  // both, where paired
        D u1[H];                                                 // else each
        D u2[H];
    };

    // hammer, thump and tine
    auto tinePart = [&]() __attribute__((always_inline))->TineOut {
        // hammer → buffer 0
        F x = zero;
        if constexpr (Pulse) {
            q = q * pole;
            F tn = t;
            for (int m = 1; m < highestOrder; ++m) {
                tn = order > m ? tn * t : tn;
            }
            x = pulsing ? amplitude * tn * q : zero;
            t = t + dt;
            tineBits |= std::bit_cast<I>(x) & magnitude;
        }

        // thump: low-pass of the clean pulse → buffer 4; without a pulse, 0 − p − tl is
        // −(p + tl), and tb + tf·(−s) is tb − tf·s
        if constexpr (Pulse) {
            const F th = x - tq * tb - tl;
            tb = tb + tf * th;
        } else {
            tb = tb - tf * (tq * tb + tl);
        }
        tl = tl + tf * tb;
        TineOut p;
        p.x = x;
        p.thump = tg * tl;

        // tine → buffer 1
        widenLanes<V>(x, p.xd);
        ring(0, p.xd, p.tine, std::bool_constant<Pulse>{});
        return p;
    };

    // damper contact of the released tine: added to buffer 0 where the tine swings below 0
    auto damperPart = [&](const TineOut& p) __attribute__((always_inline))->DamperOut {
        const F x = p.x;
        const F tine = p.tine;
        F xb = x;
        if constexpr (Damper) {
            const I touch = tine < contactBelow;
            const F clipped = tine < damperFloor ? damperFloor : tine;
            D dd[H], cd[H], next[H];
            widenLanes<V>(damperState, dd);
            widenLanes<V>(clipped, cd);
            for (int h = 0; h < H; ++h) {
                next[h] = dd[h] + damperAlpha[h] * (cd[h] - dd[h] + antiDenormal);
            }
            F updated;
            narrowLanes<V>(next, updated);
            damperState = touch ? updated : damperState;
            if constexpr (Pulse) {
                xb = touch ? x + damperState : x;
            } else {
                xb = touch ? damperState : x;
            }
        }
        if constexpr (Pulse || Damper) {
            bellBits |= std::bit_cast<I>(xb) & magnitude;
        }
        DamperOut d;
        d.thump = p.thump;
        d.tine = tine;
        d.xb = xb;
        for (int h = 0; h < H; ++h) {
            d.xd[h] = p.xd[h];
        }
        return d;
    };

    // bells → buffers 2 and 3: their steps, whose outputs the pickup's part forms and sums
    auto bellsPart = [&](const DamperOut& p) __attribute__((always_inline))->BellOut {
        BellOut o;
        o.tine = p.tine;
        o.thump = p.thump;
        if constexpr (Bells) {
            D xbd[H];
            if constexpr (Damper) {
                widenLanes<V>(p.xb, xbd);
            } else {
                for (int h = 0; h < H; ++h) {
                    xbd[h] = p.xd[h];
                }
            }
            // driven by the pulse or the damper
            constexpr std::bool_constant<Pulse || Damper> driven;
            if constexpr (kPairedBells) {
                o.pairedStep = paired.template step<driven>(xbd[0]);
            } else {
                advance(1, xbd, o.u1, driven);
                advance(2, xbd, o.u2, driven);
            }
        }
        return o;
    };

    // pickup → buffer 5, in two parts: the nonlinearity's y (and the bells' output, from their
    // steps in the part before), then its sum with the bells; without bells the last term is
    // (0 + 0)·y, which adds nothing
    struct PickupOut {
        F y;
        F bells;
    };
    auto pickupPart = [&](const BellOut& p) __attribute__((always_inline))->PickupOut {
        const F px = p.tine + p.thump + offset;
        F bells = zero;
        if constexpr (kPairedBells) {
            bells = paired.output(p.pairedStep);
        } else if constexpr (Bells) {
            bells = output(1, p.u1) + output(2, p.u2);
        }
        return {1.0f / (1.0f + px * px), bells};
    };
    auto pickedPart = [&](const PickupOut& p) __attribute__((always_inline))->F {
        F picked = p.y + bias;
        if constexpr (Bells) {
            picked = picked + p.bells * p.y;
        }
        return picked;
    };

    // output high-pass in place on buffer 5, and the level: the voices' output
    auto levelPart = [&](const F& picked) __attribute__((always_inline))->F {
        const F oh = picked - oq * ob - ol;
        ob = ob + of * oh;
        ol = ol + of * ob;
        const F out = og * oh;

        // running peak of the squared output
        const F e = out * out;
        const F fallen = fall * peak;
        peak = e > fallen ? e : fallen;
        const I level = std::bit_cast<I>(peak);
        lowest = level < lowest ? level : lowest;
        return out;
    };

    // One step, at: part j takes sample at - j, which in the steps where the pipeline fills or
    // drains may lie outside the slice. The later parts go first, each taking what the part
    // before it passed on at the step before. The last part emits sample at - 6: stores it, or
    // mixes it and steps the equaliser.
    constexpr int kParts = 7;
    TineOut tined{};
    DamperOut damped{};
    BellOut belled{};
    PickupOut pickedUp{};
    F picked{};
    F leveled{};
    auto step = [&](int at, bool partial, auto& emit) __attribute__((always_inline)) {
        auto runs = [&](int part) { return !partial || (at >= part && at - part < n); };
        if (runs(6)) {
            emit(at - 6, leveled);
        }
        if (runs(5)) {
            leveled = levelPart(picked);
        }
        if (runs(4)) {
            picked = pickedPart(pickedUp);
        }
        if (runs(3)) {
            pickedUp = pickupPart(belled);
        }
        if (runs(2)) {
            belled = bellsPart(damped);
        }
        if (runs(1)) {
            damped = damperPart(tined);
        }
        if (runs(0)) {
            tined = tinePart();
        }
    };
    auto store = [ys](int i, const F& out) __attribute__((always_inline)) {
        storeLanes(ys + i * L, out);
    };
    int i = 0;
    for (; i < kParts - 1; ++i) {
        step(i, true, store);  // no sample reaches the last part yet
    }
    if constexpr (Equalised) {
        // The gains of the lanes in use, and −0 in the others.
        float gains[2][L];
        for (int l = 0; l < L; ++l) {
            gains[0][l] = l < s.count ? s.gainLeft[l] : -0.0f;
            gains[1][l] = l < s.count ? s.gainRight[l] : -0.0f;
        }
        F left, right;
        loadLanes(left, gains[0]);
        loadLanes(right, gains[1]);
        const int used = s.count;
        const ptrdiff_t stride = s.stride;
        const SkewedChain::Io io = {s.outputs[0], s.outputs[1], s.outputs[0], s.outputs[1],
                                    stride,       stride,       stride,       stride};
        // Sample j is the slice's (or block's) sample first + j. Its first kDepth mixed samples
        // fill the equaliser's pipeline, and each later one steps it: a copy of the chain whose
        // address nothing takes stays in registers.
        constexpr int kDepth = SkewedChain::kDepth;
        const int first = s.firstStep;
        const int total = s.sliceFrames;
        SkewedChain chain = *s.equaliser;
        auto fillOrEqualise = [&](int j, const F& out) __attribute__((always_inline)) {
            const StereoPairFloats x = mixStereo(out, left, right, used);
            if (first + j < kDepth) {
                chain.partialStep(x, first + j, total);
            } else {
                io.output(first + j - kDepth, chain(x));
            }
        };
        auto equalise = [&](int j, const F& out) __attribute__((always_inline)) {
            io.output(first + j - kDepth, chain(mixStereo(out, left, right, used)));
        };
        const int filled = first >= kDepth ? 0 : kDepth - first;  // samples that fill it
        for (; i < n && i < kParts - 1 + filled; ++i) {
            step(i, false, fillOrEqualise);
        }
        // Over two slices, the bells' inputs of the first are set apart once its last sample has
        // left the damper's part, at step boundary; no pulse runs, so no tine has an input.
        const int split = s.boundary > 0 ? s.boundary + 1 : n;
        for (; i < split; ++i) {
            step(i, false, equalise);
        }
        if (split < n) {
            firstBellBits = bellBits;
            bellBits = I{};
            for (; i < n; ++i) {
                step(i, false, equalise);
            }
        }
        for (; i < n + kParts - 1; ++i) {
            step(i, true, fillOrEqualise);
        }
        *s.equaliser = chain;
    } else {
        for (; i < n; ++i) {
            step(i, false, store);
        }
        for (; i < n + kParts - 1; ++i) {
            step(i, true, store);
        }
    }

    if constexpr (kPairedBells) {
        paired.store(z1, z2);
    }
    storeLanes(s.time, t);
    storeLanes(s.power, q);
    for (int r = 0; r < R; ++r) {
        for (int h = 0; h < H; ++h) {
            storeLanes(s.s1[r] + h * W, convertLanes<Part>(z1[r][h]));
            storeLanes(s.s2[r] + h * W, convertLanes<Part>(z2[r][h]));
        }
    }
    storeLanes(s.damperState, damperState);
    storeLanes(s.thumpBand, tb);
    storeLanes(s.thumpLow, tl);
    storeLanes(s.outBand, ob);
    storeLanes(s.outLow, ol);
    storeLanes(s.level, peak);
    const I yes = I{} - 1;  // a mask's true, in a lane or a scalar
    const I tineInput = tineBits != I{} ? yes : I{};
    const I bellInput = bellBits != I{} ? yes : I{};
    const I firstBellInput = firstBellBits != I{} ? yes : I{};
    storeLanes(s.firstBellInput, firstBellInput);
    const I died = lowest < std::bit_cast<int32_t>(kFusedSilenceLevel) ? yes : I{};
    storeLanes(s.tineInput, tineInput);
    storeLanes(s.bellInput, bellInput);
    storeLanes(s.died, died);
}

// The lanes of L samples from i on, lane by lane: the transpose of the L sample vectors, which
// lie `row` floats apart.
template <int L, typename F>
inline void transposeLanes(const float* ys, F* w, int row = L) noexcept {
    F v[L];
    for (int j = 0; j < L; ++j) {
        loadLanes(v[j], ys + j * row);
    }
    if constexpr (L == 4) {
        const F t0 = __builtin_shufflevector(v[0], v[1], 0, 4, 1, 5);
        const F t1 = __builtin_shufflevector(v[2], v[3], 0, 4, 1, 5);
        const F t2 = __builtin_shufflevector(v[0], v[1], 2, 6, 3, 7);
        const F t3 = __builtin_shufflevector(v[2], v[3], 2, 6, 3, 7);
        w[0] = __builtin_shufflevector(t0, t1, 0, 1, 4, 5);
        w[1] = __builtin_shufflevector(t0, t1, 2, 3, 6, 7);
        w[2] = __builtin_shufflevector(t2, t3, 0, 1, 4, 5);
        w[3] = __builtin_shufflevector(t2, t3, 2, 3, 6, 7);
    } else {
        static_assert(L == 8, "four or eight lanes");
        F a[8], b[8];
        for (int j = 0; j < 8; j += 2) {  // pairs within each half
            a[j] = __builtin_shufflevector(v[j], v[j + 1], 0, 8, 1, 9, 4, 12, 5, 13);
            a[j + 1] = __builtin_shufflevector(v[j], v[j + 1], 2, 10, 3, 11, 6, 14, 7, 15);
        }
        for (int j = 0; j < 8; j += 4) {  // quadruples within each half
            for (int m = 0; m < 2; ++m) {
                b[j + 2 * m] =
                    __builtin_shufflevector(a[j + m], a[j + m + 2], 0, 1, 8, 9, 4, 5, 12, 13);
                b[j + 2 * m + 1] =
                    __builtin_shufflevector(a[j + m], a[j + m + 2], 2, 3, 10, 11, 6, 7, 14, 15);
            }
        }
        for (int l = 0; l < 4; ++l) {  // the halves
            w[l] = __builtin_shufflevector(b[l], b[l + 4], 0, 1, 2, 3, 8, 9, 10, 11);
            w[l + 4] = __builtin_shufflevector(b[l], b[l + 4], 4, 5, 6, 7, 12, 13, 14, 15);
        }
    }
}

// Adds the outputs of the lanes in use into the channels, lane after lane into each sample as
// the voices would add one after the other: mono as they are, stereo scaled by each voice's
// gains. Channel counts other than 1 and 2 mix nothing.
template <int L, int W>
void mixFusedLanes(const FusedVoiceLanes<L>& s, const float* ys) noexcept {
    float* out0 = s.outputs[0];
    float* out1 = s.outputs[1];
    const bool stereo = s.channels == 2;
    if (out0 == nullptr || !(s.channels == 1 || (stereo && out1 != nullptr))) {
        return;
    }
    const int n = s.frames;
    int i = 0;
    if constexpr (L == 4 || L == 8 || L == 16) {
        if (s.stride == 1) {
            // T samples at a time, T = L up to eight lanes; sixteen lanes as two blocks of eight
            constexpr int T = L < 8 ? L : 8;
            using F = typename FusedVectors<T, T>::F;
            F left[L], right[L];
            for (int l = 0; l < L; ++l) {
                left[l] = s.gainLeft[l] + F{};
                right[l] = s.gainRight[l] + F{};
            }
            for (; i + T <= n; i += T) {
                F w[L];
                if constexpr (L == 16) {
                    transposeLanes<8>(ys + i * L, w, L);
                    transposeLanes<8>(ys + i * L + 8, w + 8, L);
                } else {
                    transposeLanes<L>(ys + i * L, w);
                }
                F o0, o1;
                loadLanes(o0, out0 + i);
                if (stereo) {
                    loadLanes(o1, out1 + i);
                    for (int l = 0; l < s.count; ++l) {
                        o0 = o0 + w[l] * left[l];
                        o1 = o1 + w[l] * right[l];
                    }
                    storeLanes(out1 + i, o1);
                } else {
                    for (int l = 0; l < s.count; ++l) {
                        o0 = o0 + w[l];
                    }
                }
                storeLanes(out0 + i, o0);
            }
        }
    }
    const int stride = s.stride;
    if (stereo) {
        for (; i < n; ++i) {
            const float* y = ys + i * L;
            float o0 = out0[i * stride];
            float o1 = out1[i * stride];
            for (int l = 0; l < s.count; ++l) {
                o0 += y[l] * s.gainLeft[l];
                o1 += y[l] * s.gainRight[l];
            }
            out0[i * stride] = o0;
            out1[i * stride] = o1;
        }
    } else {
        for (; i < n; ++i) {
            const float* y = ys + i * L;
            float o0 = out0[i * stride];
            for (int l = 0; l < s.count; ++l) {
                o0 += y[l];
            }
            out0[i * stride] = o0;
        }
    }
}

// The loop variant for the parts that sound (chosen once per slice).
template <int L, int W, bool Equalised>
void runFusedVariant(FusedVoiceLanes<L>& s, float* ys) noexcept {
    const int n = s.frames;
    const int variant = (s.pulse ? 4 : 0) + (s.bells ? 2 : 0) + (s.damper ? 1 : 0);
    switch (variant) {
        case 0:
            runFusedLanes<L, W, false, false, false, Equalised>(s, n, ys);
            break;
        case 1:
            runFusedLanes<L, W, false, false, true, Equalised>(s, n, ys);
            break;
        case 2:
            runFusedLanes<L, W, false, true, false, Equalised>(s, n, ys);
            break;
        case 3:
            runFusedLanes<L, W, false, true, true, Equalised>(s, n, ys);
            break;
        case 4:
            runFusedLanes<L, W, true, false, false, Equalised>(s, n, ys);
            break;
        case 5:
            runFusedLanes<L, W, true, false, true, Equalised>(s, n, ys);
            break;
        case 6:
            runFusedLanes<L, W, true, true, false, Equalised>(s, n, ys);
            break;
        default:
            runFusedLanes<L, W, true, true, true, Equalised>(s, n, ys);
            break;
    }
}

// One slice of the lanes: the loop, then the mix; or the loop that mixes and steps the
// equaliser, where it has one.
template <int L, int W>
void renderFusedLanes(FusedVoiceLanes<L>& s) noexcept {
    if constexpr (kStepsEqualiser<L>) {
        if (s.equaliser != nullptr) {
            runFusedVariant<L, W, true>(s, nullptr);
            return;
        }
    }
    alignas(64) float ys[FusedVoiceLanes<L>::kMaxFrames * L];
    runFusedVariant<L, W, false>(s, ys);
    mixFusedLanes<L, W>(s, ys);
}

}  // namespace
