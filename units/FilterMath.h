#pragma once

#include <cmath>
#include <cstdint>

// Constants and coefficient formulas shared by the equaliser units and the cascades. All of it
// runs in double; the units round the results to their own coefficient precision.
namespace filter_math {

// pi and 2 pi to ten digits, the values every coefficient formula of the units uses.
inline constexpr double kPi = 3.141592654;
inline constexpr double kTwoPi = 6.283185308;

// The highest corner a unit computes with, as a share of the sample rate: at low rates a corner
// the parameters allow (up to 20 kHz) can lie above half the rate, where the prewarped angles
// pass pi/2 and the coefficients turn infinite or unstable. At 44100 Hz and above the limit
// (21609 Hz there) lies beyond every corner the units compute, so it changes nothing.
inline constexpr double kHighestCorner = 0.49;

inline double limitCorner(double f, double sampleRate) noexcept {
    const double top = kHighestCorner * sampleRate;
    return f > top ? top : f;
}

// 1/(cot w + 1) = K/(1 + K) with K = tan w: the feed coefficient of a bilinear one-pole
// low-pass whose prewarped corner sits at w = pi f/fs (its complement 1 - c = 1/(1 + K) feeds
// the matching high-pass).
inline double bilinearFeed(double w) noexcept {
    return 1.0 / (std::cos(w) / std::sin(w) + 1.0);
}

// An exponential glide of glide time T seconds: every step moves a value by the fraction g of its
// remaining distance, g = 1/(cot v + 1) with v = 1/(2 T fs), so g is about 1/(2 T fs) and the
// distance shrinks by exp(-2.3) = 0.1 every 4.6 T fs steps. After the integer part of 4.6 T fs
// samples the value is set to its target.
struct ExponentialGlide {
    float g = 0.0f;
    int32_t length = 0;
};

inline ExponentialGlide exponentialGlide(double seconds, double sampleRate) noexcept {
    const double v = 1.0 / (2.0 * seconds * sampleRate);
    return {static_cast<float>(bilinearFeed(v)), static_cast<int32_t>(4.6 * seconds * sampleRate)};
}

}  // namespace filter_math
