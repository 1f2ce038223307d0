// The instrument at the host's sample rate: at 44100 Hz its output is fixed to the bit (the
// goldens below were recorded from the reference engine), and at every other rate it must sound
// the same: the same pitches, decay times, tone balance, tremolo and voicing response.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>

#include "HostPlay.h"
#include "SampleHash.h"

namespace {

using namespace vst2;

TEST(SampleRates, OutputAtTheReferenceRateIsUnchanged) {
    // Chords, a held pedal, releases under the pedal and a re-struck ringing key.
    const std::vector<Message> performance = {
        {0, 0x90, 33, 100},     {1000, 0x90, 60, 64},   {1000, 0x90, 64, 127},
        {1700, 0x90, 67, 30},   {5000, 0x90, 96, 90},   {9000, 0x90, 21, 127},
        {9001, 0x90, 108, 127}, {20000, 0xB0, 64, 127}, {30000, 0x80, 60, 0},
        {30000, 0x80, 64, 0},   {41000, 0x90, 72, 80},  {41100, 0x80, 72, 0},
        {50000, 0xB0, 64, 0},   {60000, 0x80, 33, 0},   {70000, 0x90, 60, 110},
        {70000, 0x90, 61, 110}, {70000, 0x90, 62, 110}, {70000, 0x90, 63, 110},
        {90000, 0x80, 60, 0},   {100000, 0x80, 61, 64}, {100000, 0x90, 84, 1},
        {110000, 0x80, 96, 0}};
    // Defaults, then every knob turned with four voices.
    const Stereo defaults = play(44100.0f, 500, performance, 132300);
    EXPECT_EQ(sampleHash(defaults.left, defaults.right), 6084474301284174478ull);
    const Stereo turned = play(44100.0f, 500, performance, 132300,
                               {0.3f, 0.8f, 0.9f, 0.2f, 0.5f, 0.05f, 0.7f, 0.5f, 0.8f, 0.5f});
    EXPECT_EQ(sampleHash(turned.left, turned.right), 1938220265978407949ull);
}

// ---- measurement -----------------------------------------------------------------------------

constexpr double kPi = 3.141592653589793;

// Everything a comparison of two rates needs from one rate.
struct Measures {
    std::vector<double> pitch;        // Hz, keys 21 to 108
    std::vector<double> heldFall;     // s to fall 10 dB while held, per decay key
    std::vector<double> releaseFall;  // s to fall 20 dB after release, per decay key
    std::vector<double> bands;        // dB, octave bands of the first 0.5 s, per band
    double tremoloRate = 0.0;         // Hz
};

const int kDecayKeys[] = {33, 45, 57, 69, 81, 93};
const double kBandCentres[] = {125, 250, 500, 1000, 2000, 4000, 8000, 16000};

// The complex amplitude of x at f Hz in a Hann window of `length` s centred at t s.
std::complex<double> component(const std::vector<float>& x, double rate, double f, double t,
                               double length) {
    const auto first = static_cast<size_t>(std::max(0.0, (t - length / 2) * rate));
    const auto count = static_cast<size_t>(length * rate);
    std::complex<double> sum = 0.0;
    for (size_t i = first; i < first + count && i < x.size(); ++i) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * kPi * static_cast<double>(i - first) /
                                              static_cast<double>(count));
        sum += w * x[i] * std::polar(1.0, -2.0 * kPi * f * static_cast<double>(i) / rate);
    }
    return sum;
}

// The frequency near f0 of the strongest component: the phase advance of the demodulated
// signal between two windows, first 20 ms apart (unambiguous within ±25 Hz), then 0.4 s.
double measuredPitch(const std::vector<float>& x, double rate, double f0) {
    const double length = std::max(0.05, 8.0 / f0);
    double f = f0;
    for (double gap : {0.02, 0.4}) {
        const double t = 0.05 + length / 2;
        const double turn =
            std::arg(component(x, rate, f, t + gap, length) / component(x, rate, f, t, length));
        f += turn / (2.0 * kPi * gap);
    }
    return f;
}

// The mean level in dB of x in windows of `window` s from `from` s on.
std::vector<double> levels(const std::vector<float>& x, double rate, double window, double from) {
    const auto n = static_cast<size_t>(window * rate);
    std::vector<double> db;
    for (auto i = static_cast<size_t>(from * rate); i + n <= x.size(); i += n) {
        double e = 0.0;
        for (size_t j = i; j < i + n; ++j) {
            e += static_cast<double>(x[j]) * x[j];
        }
        db.push_back(10.0 * std::log10(e / static_cast<double>(n) + 1e-30));
    }
    return db;
}

// Seconds from `from` s until the level has fallen `fall` dB below its level there.
double fallTime(const std::vector<double>& db, double from, double fall) {
    const auto start = static_cast<size_t>(from / 0.01);
    for (size_t i = start; i + 1 < db.size(); ++i) {
        if (db[i + 1] <= db[start] - fall) {  // interpolated between the windows
            const double part = (db[start] - fall - db[i]) / (db[i + 1] - db[i]);
            return (static_cast<double>(i - start) + part) * 0.01;
        }
    }
    return 1e9;
}

// The rate of the dips of x's level: cycles between the first and the last time the level
// (in 5 ms windows) falls through 12 dB below its median, from 0.2 s on, each time after it
// has risen 6 dB above that again.
double cycleRate(const std::vector<float>& x, double rate) {
    const std::vector<double> db = levels(x, rate, 0.005, 0.2);
    const auto window = static_cast<size_t>(0.005 * rate);
    std::vector<double> sorted = db;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const double threshold = sorted[sorted.size() / 2] - 12.0;
    double first = -1.0, last = 0.0;
    int crossings = 0;
    bool armed = false;
    for (size_t i = 1; i < db.size(); ++i) {
        armed = armed || db[i] > threshold + 6.0;
        if (armed && db[i - 1] >= threshold && db[i] < threshold) {
            armed = false;
            last = static_cast<double>(i - 1) + (db[i - 1] - threshold) / (db[i - 1] - db[i]);
            first = crossings++ == 0 ? last : first;
        }
    }
    return (crossings - 1) / ((last - first) * static_cast<double>(window) / rate);
}

// The octave bands of x (the first 0.5 s, its last 0.1 s tapered to silence so that the ringing
// partials leave no truncation leakage): the energy between f/√2 and f·√2 (at most
// 20 kHz, the highest partial the keys make) for each centre f, from one transform.
std::vector<double> bandEnergies(const std::vector<float>& x, double rate) {
    size_t n = 1;
    while (n < x.size()) {
        n *= 2;
    }
    std::vector<std::complex<double>> a(n);
    const double taper = 0.1 * rate;
    for (size_t i = 0; i < x.size(); ++i) {
        const double left = static_cast<double>(x.size() - i) / taper;
        const double w = left >= 1.0 ? 1.0 : 0.5 - 0.5 * std::cos(kPi * left);
        a[i] = w * x[i];
    }
    for (size_t i = 1, j = 0; i < n; ++i) {  // radix-2 transform, bit-reversed order first
        size_t bit = n >> 1;
        for (; (j & bit) != 0; bit >>= 1) {
            j ^= bit;
        }
        j ^= bit;
        if (i < j) {
            std::swap(a[i], a[j]);
        }
    }
    for (size_t len = 2; len <= n; len *= 2) {
        const std::complex<double> turn = std::polar(1.0, -2.0 * kPi / static_cast<double>(len));
        for (size_t i = 0; i < n; i += len) {
            std::complex<double> w = 1.0;
            for (size_t k = 0; k < len / 2; ++k, w *= turn) {
                const std::complex<double> u = a[i + k], v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
            }
        }
    }
    std::vector<double> levels;
    for (double f : kBandCentres) {
        const double bin = rate / static_cast<double>(n);
        double e = 1e-30;
        for (auto k = static_cast<size_t>(f / std::sqrt(2.0) / bin);
             k < static_cast<size_t>(std::min(f * std::sqrt(2.0), 20000.0) / bin); ++k) {
            e += std::norm(a[k]);
        }
        levels.push_back(e / (static_cast<double>(n) * rate));  // Parseval: Σx²/rate
    }
    return levels;
}

// One key struck at velocity 100 and released after `hold` s: the sum of both channels.
std::vector<float> strike(float rate, int note, double seconds, double hold,
                          const std::vector<float>& settings = {}) {
    const auto key = static_cast<uint8_t>(note);
    Stereo out = play(rate, 512, {{0, 0x90, key, 100}, {int64_t(hold * rate), 0x80, key, 0}},
                      static_cast<int64_t>(seconds * rate), settings);
    for (size_t i = 0; i < out.left.size(); ++i) {
        out.left[i] += out.right[i];
    }
    return out.left;
}

Measures measure(float rate, const Measures* reference) {
    Measures m;
    for (int note = 21; note <= 108; ++note) {
        const double f0 = reference != nullptr ? reference->pitch[static_cast<size_t>(note - 21)]
                                               : 440.0 * std::pow(2.0, (note - 69) / 12.0);
        m.pitch.push_back(measuredPitch(strike(rate, note, 0.8, 1.0), rate, f0));
    }
    for (int note : kDecayKeys) {
        const std::vector<double> db = levels(strike(rate, note, 3.5, 2.5), rate, 0.01, 0.0);
        m.heldFall.push_back(fallTime(db, 0.1, 10.0));
        m.releaseFall.push_back(fallTime(db, 2.5, 20.0));
    }
    // Keys across the keyboard, each on its own: the sum of their energies per band (the
    // energy of a chord would depend on the phases of coinciding partials).
    m.bands.assign(std::size(kBandCentres), 0.0);
    for (int note : {36, 48, 60, 72, 84, 96}) {
        const std::vector<double> e = bandEnergies(strike(rate, note, 0.5, 1.0), rate);
        std::transform(e.begin(), e.end(), m.bands.begin(), m.bands.begin(), std::plus<>());
    }
    for (double& band : m.bands) {
        band = 10.0 * std::log10(band);
    }
    // A held key under a 4 Hz tremolo of full depth: its level dips 30 dB once a cycle.
    const std::vector<float> settings = {0.5f, 0.5f, 0.5f, 0.5f, 0.0f,
                                         0.3f, 0.5f, 0.5f, 1.0f, 0.0f};  // 4 Hz, 100 %
    m.tremoloRate = cycleRate(strike(rate, 69, 2.0, 2.0, settings), rate);
    return m;
}

double cents(double f, double reference) {
    return 1200.0 * std::log2(f / reference);
}

double largestOf(const std::vector<double>& a, const std::vector<double>& b,
                 double (*difference)(double, double)) {
    double worst = 0.0;
    for (size_t i = 0; i < a.size(); ++i) {
        const double d = difference(a[i], b[i]);
        worst = std::fabs(d) > std::fabs(worst) ? d : worst;
    }
    return worst;
}

// Every rate a host may choose sounds like 44.1 kHz: every key within 1 cent, decay times within
// 3 %, the octave bands of the attack within 1 dB, the tremolo within 1 % of its rate (the
// equaliser's units are measured against their prototypes at several rates on their own).
TEST(SampleRates, EveryRateSoundsLikeTheReference) {
    const Measures reference = measure(44100.0f, nullptr);
    std::printf(
        "rate Hz  | pitch cents | held fall %% | release fall %% | bands dB | tremolo %%\n");
    auto ratio = [](double a, double b) { return 100.0 * (a / b - 1.0); };
    auto decibels = [](double a, double b) { return a - b; };
    for (float rate : {48000.0f, 88200.0f, 96000.0f, 176400.0f, 192000.0f}) {
        SCOPED_TRACE(rate);
        const Measures m = measure(rate, &reference);
        const double pitch = largestOf(m.pitch, reference.pitch, cents);
        const double held = largestOf(m.heldFall, reference.heldFall, ratio);
        const double released = largestOf(m.releaseFall, reference.releaseFall, ratio);
        const double bands = largestOf(m.bands, reference.bands, decibels);
        const double tremolo = ratio(m.tremoloRate, reference.tremoloRate);
        std::printf("%8.0f | %+11.3f | %+11.2f | %+14.2f | %+8.2f | %+9.3f\n", rate, pitch, held,
                    released, bands, tremolo);
        EXPECT_LE(std::fabs(pitch), 1.0);
        EXPECT_LE(std::fabs(held), 3.0);
        EXPECT_LE(std::fabs(released), 3.0);
        EXPECT_LE(std::fabs(bands), 1.0);
        EXPECT_LE(std::fabs(tremolo), 1.0);
    }
}

}  // namespace
