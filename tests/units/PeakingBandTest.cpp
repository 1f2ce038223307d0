#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <utility>
#include <vector>

#include "PeakingBand.h"
#include "UnitSignals.h"

using namespace unit_signals;

namespace {

constexpr float kRate = 48000.0f;

void prepare(PeakingBand& band, float f, float dB, float q) {
    band.setup(1, 1);
    band.setParameters({f, dB, q, 1, kRate});
}

// The band's response from its analogue prototype: 1 + (A - 1) (s/Q')/(s^2 + s/Q' + 1), with
// s = j tan(pi ft/fs)/tan(pi f/fs) (the bilinear map prewarped to the centre), Q' = Qe w/tan w,
// w = pi f/fs, and Qe = Q A for cuts.
double prototypeDb(double f, double dB, double q, double ft, double fs) {
    const double A = std::pow(10.0, dB / 20.0);
    const double w = std::numbers::pi * f / fs;
    const double qPrime = (dB < 0.0 ? q * A : q) * w / std::tan(w);
    const std::complex<double> s(0.0, std::tan(std::numbers::pi * ft / fs) / std::tan(w));
    const std::complex<double> h = 1.0 + (A - 1.0) * (s / qPrime) / (s * s + s / qPrime + 1.0);
    return toDb(std::abs(h));
}

}  // namespace

// The band-pass is exactly 1 at the centre, so the band's gain there is A. Tolerance 0.002 dB:
// coefficients and state are single precision; a rounding of a2 (6e-8) against the pole's
// distance from the unit circle (>= 1.3e-3 for the sharpest case, Q 10 at 100 Hz) moves the
// peak by < 5e-5 relative, 4e-4 dB.
TEST(PeakingBand, GainAtCentreEqualsGainInDecibels) {
    struct Case {
        float f, dB, q;
    };
    for (const Case c : {Case{1000, 12, 1}, Case{1000, -12, 1}, Case{200, 6, 0.5f},
                         Case{5000, -9, 4}, Case{100, 18, 10}, Case{12000, -30, 0.1f}}) {
        PeakingBand band;
        prepare(band, c.f, c.dB, c.q);
        EXPECT_NEAR(sineGainDb(band, c.f, kRate), c.dB, 0.002) << c.f << " Hz " << c.dB << " dB";
    }
}

// Qe = Q A makes the cut the inverse of the boost: their gains in dB cancel at every frequency.
// Tolerance 0.002 dB as above (two measurements).
TEST(PeakingBand, CutMirrorsBoost) {
    for (const double ft : {150.0, 700.0, 1000.0, 1400.0, 6000.0}) {
        PeakingBand boost;
        prepare(boost, 1000, 12, 1);
        PeakingBand cut;
        prepare(cut, 1000, -12, 1);
        EXPECT_NEAR(sineGainDb(boost, ft, kRate) + sineGainDb(cut, ft, kRate), 0.0, 0.002) << ft;
    }
}

// Off the centre the response follows the warped analogue prototype with its widened Q (a
// missing w/tan w correction would miss by > 0.18 dB at these points for a 9 kHz band).
// Tolerance 0.002 dB as above.
TEST(PeakingBand, FollowsPrototypeOffCentre) {
    for (const double ft : {3000.0, 6000.0, 12000.0, 16000.0}) {
        PeakingBand band;
        prepare(band, 9000, 9, 2);
        EXPECT_NEAR(sineGainDb(band, ft, kRate), prototypeDb(9000, 9, 2, ft, kRate), 0.002) << ft;
        PeakingBand cut;
        prepare(cut, 9000, -9, 2);
        EXPECT_NEAR(sineGainDb(cut, ft, kRate), prototypeDb(9000, -9, 2, ft, kRate), 0.002) << ft;
    }
}

// b = 0 at 0 dB: y = x + 0 (w0 - w2) is the input plus the offset, bit for bit.
TEST(PeakingBand, ZeroDecibelsPassesInputUnchanged) {
    PeakingBand band;
    prepare(band, 480, 0, 0.85f);
    std::vector<float> x = noise(1000, 1);
    std::vector<float> y = x;
    processMono(band, y);
    for (size_t i = 0; i < x.size(); ++i) {
        ASSERT_EQ(y[i], x[i] + kAntiDenormal) << i;
    }
}

// The ramp lasts 256 samples at 44100 Hz and as long at other rates: 256 fs/44100 samples,
// rounded (557.3 at 96000 Hz).
TEST(PeakingBand, RampReachesTargetIn256SamplesAt44100HzAndAsLongAtOtherRates) {
    for (const auto& [fs, length] : {std::pair{44100.0f, 256}, std::pair{96000.0f, 557}}) {
        PeakingBand band;
        band.setup(1, 1);
        band.setParameters({1000, 0, 1, 1, fs});
        std::vector<float> block(64, 0.25f);
        processMono(band, block);  // the unit has run: changes now ramp
        const PeakingBand::Coefficients start = band.coefficients().current;

        band.setParameters({1000, 12, 1, 1, fs});
        const auto& k = band.coefficients();
        ASSERT_EQ(k.left, length);
        const PeakingBand::Coefficients target = k.target;
        EXPECT_NE(target.b, start.b);

        // Linear: h/length of the way after h samples. Each float sum rounds by at most half an
        // ulp of |b| <= |target.b| (start.b is 0): h 6e-8 of the span.
        const int h = length / 2;
        std::vector<float> x(static_cast<size_t>(h), 0.25f);
        processMono(band, x, 100);
        EXPECT_NEAR(k.current.b, target.b * static_cast<float>(h) / static_cast<float>(length),
                    6e-8f * static_cast<float>(h) * std::abs(target.b));

        x.assign(static_cast<size_t>(length - h - 1), 0.25f);
        processMono(band, x, 50);
        EXPECT_EQ(k.left, 1);
        EXPECT_NE(k.current.b, target.b);
        x.assign(1, 0.25f);
        processMono(band, x);
        EXPECT_EQ(k.left, 0);
        EXPECT_EQ(k.current.b, target.b);
        EXPECT_EQ(k.current.a1, target.a1);
        EXPECT_EQ(k.current.a2, target.a2);
    }
}

TEST(PeakingBand, ChangesApplyAtOnceBeforeAudioOrWithoutGlideFlag) {
    PeakingBand band;
    prepare(band, 1000, 0, 1);
    band.setParameters({1000, 6, 1, 1, kRate});  // nothing processed since setup
    EXPECT_EQ(band.coefficients().left, 0);
    EXPECT_EQ(band.coefficients().current.b, band.coefficients().target.b);

    std::vector<float> x(10, 0.1f);
    processMono(band, x);
    band.setParameters({1000, -6, 1, 0, kRate});  // glide flag off
    EXPECT_EQ(band.coefficients().left, 0);
    EXPECT_EQ(band.coefficients().current.b, band.coefficients().target.b);
}

// At 48000 Hz the ramp lasts 256 x 48000/44100 = 278.6, so 279 samples.
TEST(PeakingBand, RepeatedValuesRestartNothing) {
    PeakingBand band;
    prepare(band, 1000, 0, 1);
    std::vector<float> x(10, 0.1f);
    processMono(band, x);
    band.setParameters({1000, 12, 1, 1, kRate});
    x.assign(100, 0.1f);
    processMono(band, x);
    const PeakingBand::Coefficients mid = band.coefficients().current;
    ASSERT_EQ(band.coefficients().left, 179);

    EXPECT_EQ(band.setParameters({1000, 12, 1, 1, kRate}), 0);
    EXPECT_EQ(band.coefficients().left, 179);
    EXPECT_EQ(band.coefficients().current.b, mid.b);

    // The cache holds the value as passed: 30 dB (clamped to 18) and then 18 dB count as a
    // change and restart the ramp, although the coefficients are the same.
    band.setParameters({1000, 30, 1, 1, kRate});
    x.assign(300, 0.1f);
    processMono(band, x);
    EXPECT_EQ(band.setParameters({1000, 30, 1, 1, kRate}), 0);
    EXPECT_EQ(band.coefficients().left, 0);
    band.setParameters({1000, 18, 1, 1, kRate});
    EXPECT_EQ(band.coefficients().left, 279);
}

TEST(PeakingBand, WarningCodesNameTheLastClampedParameter) {
    PeakingBand band;
    band.setup(1, 1);
    EXPECT_EQ(band.setParameters({1000, 6, 1, 1, kRate}), 0);
    EXPECT_EQ(band.setParameters({10, 6, 1, 1, kRate}), 1003);
    EXPECT_EQ(band.setParameters({1000, 19, 1, 1, kRate}), 1001);
    EXPECT_EQ(band.setParameters({1000, 6, 11, 1, kRate}), 1002);
    EXPECT_EQ(band.setParameters({1000, 6, 2, 1, 30000.0f}), 1005);
    EXPECT_EQ(band.setParameters({25000, 6, 0.05f, 1, kRate}), 1002);
    EXPECT_EQ(band.setParameters({25000, -40, 3, 1, 100000.0f}), 1005);
}
