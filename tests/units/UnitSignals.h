#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>
#include <random>
#include <vector>

#include "ChannelBuffers.h"

// Signal helpers shared by the unit tests: buffer records, block-wise processing, and the
// steady-state gain of a unit measured with a sine.
namespace unit_signals {

inline ChannelBuffers mono(float* data, int frames) {
    ChannelBuffers b;
    b[0] = {data, 1, frames};
    return b;
}

inline ChannelBuffers stereo(float* left, float* right, int frames) {
    ChannelBuffers b;
    b[0] = {left, 1, frames};
    b[1] = {right, 1, frames};
    return b;
}

inline std::vector<float> noise(size_t frames, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> dist(-0.5f, 0.5f);
    std::vector<float> v(frames);
    std::generate(v.begin(), v.end(), [&] { return dist(rng); });
    return v;
}

// Runs a unit in place over left (and right, when given) in blocks of at most `block` frames.
template <class U>
void processMono(U& unit, std::vector<float>& left, size_t block = 256,
                 std::vector<float>* right = nullptr) {
    for (size_t start = 0; start < left.size(); start += block) {
        const int n = static_cast<int>(std::min(block, left.size() - start));
        const ChannelBuffers b = right == nullptr
                                     ? mono(left.data() + start, n)
                                     : stereo(left.data() + start, right->data() + start, n);
        unit.process(b, b);
    }
}

template <class U>
void processStereo(U& unit, std::vector<float>& left, std::vector<float>& right,
                   size_t block = 256) {
    processMono(unit, left, block, &right);
}

// Gain in dB of a mono unit for a unit sine of integer frequency f at integer rate fs: one
// second to settle, then one second (a whole number of periods) correlated with sine and
// cosine, which rejects the DC that the anti-denormal offset leaves.
template <class U>
double sineGainDb(U& unit, double f, double fs) {
    const size_t n = static_cast<size_t>(fs);
    const double step = 2.0 * std::numbers::pi * f / fs;
    std::vector<float> x(2 * n);
    for (size_t i = 0; i < x.size(); ++i) {
        x[i] = static_cast<float>(std::sin(step * static_cast<double>(i)));
    }
    processMono(unit, x);
    double si = 0.0;
    double co = 0.0;
    for (size_t i = n; i < 2 * n; ++i) {
        si += x[i] * std::sin(step * static_cast<double>(i));
        co += x[i] * std::cos(step * static_cast<double>(i));
    }
    return 20.0 * std::log10(2.0 / static_cast<double>(n) * std::hypot(si, co));
}

}  // namespace unit_signals
