#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "DecayLaw.h"
#include "Resonator.h"

namespace {

constexpr int kSlice = 256;

// The output of a held resonator at `rate`, struck by a unit impulse, over `slices` slices.
std::vector<float> ring(float rate, float frequency, float decay, int slices) {
    RenderContext context;
    context.sampleRate = rate;
    context.frameCount = kSlice;
    std::vector<float> input(kSlice, 0.0f), output(kSlice), out;
    Resonator resonator(&context);
    resonator.setInput(0, input.data());
    resonator.setOutput(0, output.data());
    resonator.configure(frequency, 1.0f, 0.0f, 1000.0f, 0.0f);
    resonator.setDecay(decay, true);
    input[0] = 1.0f;
    for (int s = 0; s < slices; ++s) {
        resonator.process();
        input[0] = 0.0f;
        out.insert(out.end(), output.begin(), output.end());
    }
    return out;
}

double peak(const std::vector<float>& y, size_t from, size_t length) {
    double m = 0.0;
    for (size_t i = from; i < from + length; ++i) {
        m = std::max(m, std::abs(static_cast<double>(y[i])));
    }
    return m;
}

TEST(Resonator, RingsAtItsConfiguredFrequency) {
    // At 44.1 kHz cos ω is a float; its spacing of 6e-8 near 1 moves ω by 6e-8/sin ω:
    // 1.5e-5 relative at 440 Hz. At other rates the resonator rings at the pitch that float gives
    // at 44.1 kHz: for A0 that is 1.5 cents sharp of 27.5 Hz, kept to 0.05 cents at 192 kHz.
    const double pi = 3.141592653589793;
    const double a0 =
        std::acos(static_cast<double>(static_cast<float>(std::cos(2.0 * pi * 27.5 / 44100.0)))) *
        44100.0 / (2.0 * pi);
    const struct {
        float rate, configured;
        double expected, tolerance;
    } cases[] = {{44100.0f, 440.0f, 440.0, 1e-4},
                 {44100.0f, 25000.0f, 20000.0, 1e-4},  // clamped to 20 kHz
                 {96000.0f, 440.0f, 440.0, 1e-5},
                 {192000.0f, 27.5f, a0, 3e-5}};
    for (const auto& c : cases) {
        const std::vector<float> y =  // lossless
            ring(c.rate, c.configured, 1.0f, static_cast<int>(30.0 * c.rate / kSlice));
        // Zero crossings located by linear interpolation over 30 s; two per period.
        double first = -1.0;
        double last = 0.0;
        int count = 0;
        for (size_t i = 1; i < y.size(); ++i) {
            if ((y[i - 1] < 0.0f) != (y[i] < 0.0f)) {
                last =
                    static_cast<double>(i - 1) + y[i - 1] / (y[i - 1] - static_cast<double>(y[i]));
                first = count++ == 0 ? last : first;
            }
        }
        const double measured = 0.5 * (count - 1) / (last - first) * c.rate;
        EXPECT_NEAR(measured / c.expected, 1.0, c.tolerance) << c.configured << " Hz";
    }
}

TEST(Resonator, LosesTenDecibelsInTheDecayTime) {
    // The state shrinks by √coef per sample, so in x ms the amplitude falls by
    // exp(−2300/2/1000) = e^−1.15: 20·log10(e^−1.15) = −9.9888 dB ("10 dB"). The cases include
    // the lowest tine (A0, 3 s) and a low tine at a high rate, where state rounding matters most.
    const double expected = -1.15 * 20.0 / std::log(10.0);
    const struct {
        float rate, frequency, ms;
    } cases[] = {{44100.0f, 440.0f, 200.0f},
                 {48000.0f, 1000.0f, 50.0f},
                 {96000.0f, 110.0f, 1500.0f},
                 {44100.0f, 27.5f, 3000.0f}};
    for (const auto& c : cases) {
        const auto start = static_cast<size_t>(0.02 * c.rate);
        const auto span = static_cast<size_t>(std::lround(c.ms * c.rate / 1000.0f));
        const auto period = static_cast<size_t>(std::ceil(c.rate / c.frequency)) + 1;
        const std::vector<float> y = ring(c.rate, c.frequency, decayCoefficient(c.ms, c.rate),
                                          static_cast<int>((start + span + period) / kSlice) + 2);
        const double dB = 20.0 * std::log10(peak(y, start + span, period) / peak(y, start, period));
        // A crest sampled within one period misses the true peak by at most 1 − cos(ω/2)
        // (4e-3 dB at 1 kHz / 48 kHz); the float coefficient adds under 3e-3 dB.
        EXPECT_NEAR(dB, expected, 0.02) << c.frequency << " Hz, " << c.ms << " ms";
    }
}

}  // namespace
