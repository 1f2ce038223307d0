#pragma once

#include <cstdint>
#include <type_traits>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

// Both channels of a stereo signal side by side in one vector register: the left in lane 0, the
// right in lane 1. Every operation is the IEEE operation of each lane, so a lane computes
// exactly what the scalar code computes for its channel. The functions here, and the units'
// sections built on them, are always inlined: loops compiled for a wider instruction set (the
// voice kernel's) take them in, and must leave behind no copy that could stand in for the
// portable one.
typedef float StereoFloats __attribute__((vector_size(8)));
typedef double StereoDoubles __attribute__((vector_size(16)));

// Two stereo signals side by side (two units' channels in one register): the first in lanes 0
// and 1, the second in lanes 2 and 3. Masks are -1 (all bits set) for true and 0 for false.
typedef float StereoPairFloats __attribute__((vector_size(16)));
typedef int32_t StereoPairMask __attribute__((vector_size(16)));

// The two stereo signals of a pair, and the pair of two.
[[gnu::always_inline]] inline StereoPairFloats joinStereo(StereoFloats first,
                                                          StereoFloats second) noexcept {
    return __builtin_shufflevector(first, second, 0, 1, 2, 3);
}
[[gnu::always_inline]] inline StereoFloats firstStereo(StereoPairFloats pair) noexcept {
    return __builtin_shufflevector(pair, pair, 0, 1);
}
[[gnu::always_inline]] inline StereoFloats secondStereo(StereoPairFloats pair) noexcept {
    return __builtin_shufflevector(pair, pair, 2, 3);
}

// The double lanes that hold what the float lanes T hold: double for a scalar float, two doubles
// for a stereo signal. A loop may keep a single stereo signal in lanes 0 and 1 of a pair's
// register (the other two lanes carry nothing it reads); its double lanes are those two.
template <typename T>
using WideLanes = std::conditional_t<std::is_arithmetic_v<T>, double, StereoDoubles>;

// Lane by lane conversion between float and double (exact one way, rounded to nearest the
// other); the plain conversion for scalars. A stereo signal in a pair's register converts from
// lanes 0 and 1, and converts into them with lanes 2 and 3 zero. On x86 one instruction
// converts both lanes (the generic form converts them one at a time on some compilers).
template <typename To, typename From>
[[gnu::always_inline]] inline To convertStereo(const From& x) noexcept {
    if constexpr (std::is_arithmetic_v<From>) {
        return static_cast<To>(x);
    } else if constexpr (std::is_same_v<To, StereoDoubles>) {
        static_assert(std::is_same_v<From, StereoFloats> || std::is_same_v<From, StereoPairFloats>);
#if defined(__SSE2__)
        if constexpr (std::is_same_v<From, StereoFloats>) {
            return (StereoDoubles)_mm_cvtps_pd((__m128)joinStereo(x, StereoFloats{}));
        } else {
            return (StereoDoubles)_mm_cvtps_pd((__m128)x);
        }
#else
        if constexpr (std::is_same_v<From, StereoFloats>) {
            return __builtin_convertvector(x, StereoDoubles);
        } else {
            return __builtin_convertvector(firstStereo(x), StereoDoubles);
        }
#endif
    } else {
        static_assert(std::is_same_v<From, StereoDoubles>);
#if defined(__SSE2__)
        const auto both = (StereoPairFloats)_mm_cvtpd_ps((__m128d)x);
#else
        const auto both = joinStereo(__builtin_convertvector(x, StereoFloats), StereoFloats{});
#endif
        if constexpr (std::is_same_v<To, StereoFloats>) {
            return firstStereo(both);
        } else {
            static_assert(std::is_same_v<To, StereoPairFloats>);
            return both;
        }
    }
}
