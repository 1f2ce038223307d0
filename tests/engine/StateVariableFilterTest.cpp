#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

#include "StateVariableFilter.h"

namespace {

constexpr int kSlice = 256;
constexpr double kPi = 3.141592653589793;

// Filters a signal of whole slices at 48 kHz: cutoff 1000 Hz, gain 1.5, Q 2.
std::vector<float> run(int mode, const std::vector<float>& x) {
    RenderContext context;
    context.sampleRate = 48000.0f;
    context.frameCount = kSlice;
    StateVariableFilter filter(&context);
    filter.reset();
    filter.configure(1000.0f, 1.5f, 2.0f, mode);
    std::vector<float> in(kSlice), out(kSlice), y;
    filter.setInput(0, in.data());
    filter.setOutput(0, out.data());
    for (size_t at = 0; at < x.size(); at += kSlice) {
        std::copy_n(x.begin() + static_cast<long>(at), kSlice, in.begin());
        filter.process();
        y.insert(y.end(), out.begin(), out.end());
    }
    return y;
}

// The discrete transfer function at ω. From h = x − q·b[n−1] − l[n−1], b[n] = b[n−1] + f·h,
// l[n] = l[n−1] + f·b[n]: B = f·H/D, L = f²·H/D², D = 1 − z⁻¹, so H = X·D²/Den with
// Den = D² + q·f·z⁻¹·D + f²·z⁻¹.
std::complex<double> response(int mode, double f, double q, double omega) {
    const std::complex<double> zInv = std::polar(1.0, -omega);
    const std::complex<double> d = 1.0 - zInv;
    const std::complex<double> den = d * d + q * f * zInv * d + f * f * zInv;
    const std::complex<double> numerators[] = {d * d, f * d, f * f, f * f - d * d, den - q * f * d};
    return numerators[mode] / den;
}

TEST(StateVariableFilter, MagnitudeResponseOfEveryModeMatchesTheTransferFunction) {
    const double rate = 48000.0;
    const double f = 2.0 * std::sin(kPi * 1000.0 / rate);
    const int settle = 187 * kSlice;  // about one second
    const int window = 4800;
    for (double periods : {10.0, 100.0, 110.0, 1000.0}) {  // 100 Hz to 10 kHz
        std::vector<float> x(settle + 19 * kSlice);        // a window of 4864 samples
        for (size_t n = 0; n < x.size(); ++n) {
            x[n] =
                static_cast<float>(std::sin(2.0 * kPi * periods * static_cast<double>(n) / window));
        }
        for (int mode = 0; mode <= 4; ++mode) {
            const std::vector<float> y = run(mode, x);
            // RMS ratio over whole periods after one second of settling.
            double in = 0.0;
            double out = 0.0;
            for (size_t n = settle; n < static_cast<size_t>(settle + window); ++n) {
                in += static_cast<double>(x[n]) * x[n];
                out += static_cast<double>(y[n]) * y[n];
            }
            const double expected =
                1.5 * std::abs(response(mode, f, 0.5, 2.0 * kPi * periods / window));
            // Float state and float f: a few parts in 10^5.
            EXPECT_NEAR(std::sqrt(out / in), expected, 2e-4 * (1.0 + expected))
                << "mode " << mode << " at " << periods * 10.0 << " Hz";
        }
    }
}

}  // namespace
