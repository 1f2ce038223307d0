#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <functional>
#include <numbers>
#include <type_traits>
#include <vector>

#include "HighPassCascade.h"
#include "HighShelfBiquad.h"
#include "HighShelfFilter.h"
#include "LowPassCascade.h"
#include "LowShelfBiquad.h"
#include "LowShelfFilter.h"
#include "PeakingBand.h"
#include "UnitSignals.h"

using namespace unit_signals;

namespace {

using Complex = std::complex<double>;
constexpr double kPi = std::numbers::pi;
constexpr bool kLow = false;
constexpr bool kHigh = true;

// Every equaliser unit is the bilinear image of an analogue prototype H(s), prewarped so that
// s = j tan(pi ft/fs)/K with K = tan(pi fc/fs) for a corner fc (or K as the unit's rule sets it).
struct Prototype {
    double K;
    std::function<Complex(Complex)> h;
    double fs;
};

// The band: 1 + (A - 1) (s/Q')/(s^2 + s/Q' + 1), A = 10^(dB/20), Q' = Qe w/tan w, w = pi f/fs,
// and Qe = Q A for a cut (which makes it the exact inverse of the boost).
Prototype band(double f, double dB, double q, double fs) {
    const double A = std::pow(10.0, dB / 20.0);
    const double w = kPi * f / fs;
    const double qp = (dB < 0.0 ? q * A : q) * w / std::tan(w);
    return {std::tan(w),
            [=](Complex s) { return 1.0 + (A - 1.0) * (s / qp) / (s * s + s / qp + 1.0); }, fs};
}

// The cookbook shelves, A = 10^(dB/40), sqrt A/Q = sqrt A sqrt((A + 1/A)(1/S - 1) + 2):
//   low A (s^2 + a s + A)/(A s^2 + a s + 1), high A (A s^2 + a s + 1)/(s^2 + a s + A).
Prototype cookbook(bool high, double f, double dB, double slope, double fs) {
    const double A = std::pow(10.0, dB / 40.0);
    const double a = std::sqrt(A) * std::sqrt((A + 1.0 / A) * (1.0 / slope - 1.0) + 2.0);
    return {std::tan(kPi * f / fs),
            [=](Complex s) {
                return high ? A * (A * s * s + a * s + 1.0) / (s * s + a * s + A)
                            : A * (s * s + a * s + A) / (A * s * s + a * s + 1.0);
            },
            fs};
}

// The first-order shelves: low 1 + (A - 1)/(s + 1), high 1 + (A - 1) s/(s + 1), A = 10^(dB/20).
// A boost keeps its corner; a cut moves it: low K = pi f/(A fs), high K = tan(pi A f/fs).
Prototype shelf(bool high, double f, double dB, double fs) {
    const double A = std::pow(10.0, dB / 20.0);
    const double K = dB >= 0.0 ? std::tan(kPi * f / fs)
                     : high    ? std::tan(kPi * A * f / fs)
                               : kPi * f / (A * fs);
    return {K,
            [=](Complex s) {
                return high ? 1.0 + (A - 1.0) * s / (s + 1.0) : 1.0 + (A - 1.0) / (s + 1.0);
            },
            fs};
}

// n first-order sections at the section corner fc: high-pass (s/(s + 1))^n, low-pass 1/(s + 1)^n.
Prototype cascade(bool high, double fc, int n, double fs) {
    return {std::tan(kPi * fc / fs),
            [=](Complex s) { return std::pow(high ? s / (s + 1.0) : 1.0 / (s + 1.0), n); }, fs};
}

// A fresh mono unit set up at 44100 Hz, run, then handed its settings: a new rate alone
// recomputes at once (no glide, though the unit has run). Measures the gain at ft in dB, to
// 1e-4 dB for the cookbook shelves, which run in double (only the single-precision input and
// output round, 5e-7 dB); 0.002 dB for the single-precision units (a rounding of a2, 6e-8,
// against a pole 1.3e-3 from the unit circle in the sharpest case moves the gain by < 4e-4 dB);
// 0.003 dB for up to twelve cascaded sections.
struct Measured {
    std::function<double(double)> gain;
    double tolerance;
};
template <class U>
Measured unit(typename U::Settings s) {
    const bool cookbook = std::is_same_v<U, LowShelfBiquad> || std::is_same_v<U, HighShelfBiquad>;
    const bool cascade = std::is_same_v<U, HighPassCascade> || std::is_same_v<U, LowPassCascade>;
    return {[s](double ft) {
                U u;
                u.setup(1, 1);
                typename U::Settings first = s;
                first.sampleRate = 44100.0f;
                u.setParameters(first);
                std::vector<float> x(64, 0.1f);
                processMono(u, x);
                u.setParameters(s);
                EXPECT_EQ(u.coefficients().left, 0);
                return sineGainDb(u, ft, s.sampleRate);
            },
            cookbook  ? 1e-4
            : cascade ? 0.003
                      : 0.002};
}

}  // namespace

// Each unit against its prototype at probe frequencies. Corners above 0.49 fs move down to 0.49 fs.
// The cascades place their section corner by a factor x(n) (1.55 for two sections, 1.95 for
// three, 2.83 for six, 4.1 for twelve): high-pass f/(1 + (x - 1)(1 - 2f/fs)),
// low-pass x f, the low-pass factor fading along a parabola above 1000 Hz to 1 at fs/2. A
// fractional order truncates.
TEST(EqualiserResponse, UnitsFollowTheirAnaloguePrototypes) {
    const std::vector<double> wide = {30, 100, 300, 1000, 3000, 6000, 12000, 20000};
    const double hp2 = 100.0 / (1.0 + 0.55 * (1.0 - 200.0 / 44100.0));
    const double hp12 = 100.0 / (1.0 + 3.1 * (1.0 - 200.0 / 44100.0));
    const double fade = 8000.0 * (1.0 + 1.83 * std::pow(14050.0 / 21050.0, 2.0));
    const std::vector<double> mid = {3000, 6000, 9000, 16000};
    const std::vector<double> low = {30, 100, 300};
    const struct {
        Measured measured;
        Prototype expected;
        std::vector<double> probes;
    } rows[] = {
        {unit<PeakingBand>({9000, 9, 2, 1, 48000}), band(9000, 9, 2, 48000), mid},
        {unit<PeakingBand>({9000, -9, 2, 1, 48000}), band(9000, -9, 2, 48000), mid},
        {unit<PeakingBand>({100, 18, 10, 1, 44100}), band(100, 18, 10, 44100), {100}},
        {unit<PeakingBand>({20000, -6, 0.7f, 1, 8000}), band(3920, -6, 0.7, 8000), {3920}},
        {unit<LowShelfBiquad>({180, -2.5f, 0.3f, 1, 44100}), cookbook(kLow, 180, -2.5, 0.3, 44100),
         wide},
        {unit<LowShelfBiquad>({200, -24, 1, 1, 44100}), cookbook(kLow, 200, -18, 1, 44100), low},
        {unit<LowShelfBiquad>({600, 12, 1, 1, 96000}), cookbook(kLow, 600, 12, 1, 96000), {600}},
        {unit<HighShelfBiquad>({1900, 4, 1.1f, 1, 44100}), cookbook(kHigh, 1900, 4, 1.1, 44100),
         wide},
        {unit<HighShelfBiquad>({5000, -24, 0.7f, 1, 44100}), cookbook(kHigh, 5000, -24, 0.7, 44100),
         wide},
        // -30 dB with slope 2.5 has no real Q ((A^2 + 1)/S < (A - 1)^2): slope 1 instead.
        {unit<HighShelfBiquad>({2000, -30, 2.5f, 1, 44100}), cookbook(kHigh, 2000, -30, 1, 44100),
         mid},
        {unit<LowShelfFilter>({200, 16, 1, 44100}), shelf(kLow, 200, 16, 44100), wide},
        {unit<LowShelfFilter>({200, -6, 1, 44100}), shelf(kLow, 200, -6, 44100), wide},
        {unit<HighShelfFilter>({3200, 16, 1, 8000}), shelf(kHigh, 3200, 16, 8000), {100, 3200}},
        {unit<HighShelfFilter>({3200, -6, 1, 44100}), shelf(kHigh, 3200, -6, 44100), wide},
        {unit<HighPassCascade>({100, 2.9f, 10, 44100}), cascade(kHigh, hp2, 2, 44100), low},
        {unit<HighPassCascade>({100, 12, 10, 44100}), cascade(kHigh, hp12, 12, 44100), low},
        {unit<HighPassCascade>({95, 1, 10, 192000}), cascade(kHigh, 95, 1, 192000), {95}},
        {unit<LowPassCascade>({500, 3, 10, 44100}),
         cascade(kLow, 1.95 * 500, 3, 44100),
         {500, 2000}},
        {unit<LowPassCascade>({8000, 6, 10, 44100}), cascade(kLow, fade, 6, 44100), mid},
        {unit<LowPassCascade>({20000, 1, 10, 8000}), cascade(kLow, 3920, 1, 8000), {1000, 3920}},
    };
    for (const auto& r : rows) {
        for (const double ft : r.probes) {
            const Complex s(0.0, std::tan(kPi * ft / r.expected.fs) / r.expected.K);
            EXPECT_NEAR(r.measured.gain(ft), 20.0 * std::log10(std::abs(r.expected.h(s))),
                        r.measured.tolerance)
                << "row " << (&r - rows) << " at " << ft << " Hz";
        }
    }
}
