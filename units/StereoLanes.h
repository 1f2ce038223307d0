#pragma once

#include <type_traits>

// Both channels of a stereo signal side by side in one vector register: the left in lane 0, the
// right in lane 1. Every operation is the IEEE operation of each lane, so a lane computes
// exactly what the scalar code computes for its channel.
typedef float StereoFloats __attribute__((vector_size(8)));
typedef double StereoDoubles __attribute__((vector_size(16)));

// The double lanes that hold what the float lanes T hold: double for a scalar float.
template <typename T>
using WideLanes = std::conditional_t<std::is_same_v<T, StereoFloats>, StereoDoubles, double>;

// Lane by lane conversion between float and double (exact one way, rounded to nearest the
// other); the plain conversion for scalars.
template <typename To, typename From>
inline To convertStereo(const From& x) noexcept {
    if constexpr (std::is_arithmetic_v<From>) {
        return static_cast<To>(x);
    } else {
        return __builtin_convertvector(x, To);
    }
}
