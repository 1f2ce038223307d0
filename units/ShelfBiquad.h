#pragma once

#include "ChannelStateUnit.h"
#include "CoefficientGlide.h"
#include "ReferenceRate.h"
#include "StereoLanes.h"

// The shelving biquads of the published audio-equaliser cookbook, low and high: A = 10^(dB/40),
// w0 = 2 pi f/fs, and the shelf slope S setting 1/Q^2 = (A + 1/A)(1/S - 1) + 2 (S = 1 is the
// steepest slope without overshoot), which enters the coefficients through
// beta = sin w0 sqrt((A^2 + 1)/S - (A - 1)^2). Direct form II:
//   w = x - a1 w1 - a2 w2;   y = b0 w + b1 w1 + b2 w2
// Coefficients, state and arithmetic are double; changes ramp linearly over 500 samples at
// 44100 Hz (11.3 ms: as long at every rate) and a new rate takes effect at once. The
// two shelves differ only in their lowest gain and in the formula from (A, cos w0, beta) to the
// five coefficients (LowShelfBiquad, HighShelfBiquad).
class ShelfBiquad : public ChannelStateUnit<ShelfBiquad, double, 2> {
public:
    struct Coefficients {
        double b0 = 0.0;
        double b1 = 0.0;
        double b2 = 0.0;
        double a1 = 0.0;
        double a2 = 0.0;
    };
    static constexpr int kRampLength = 500;  // samples at 44100 Hz

    // The filter of one channel (T float) or of both side by side (StereoFloats), coefficients
    // and state in hand, a sample at a time: the kernel's arithmetic, also run by loops that
    // chain several units sample by sample.
    template <typename T = float>
    struct Section {
        using D = WideLanes<T>;
        Coefficients k;
        D w1{};
        D w2{};

        [[gnu::always_inline]] T operator()(T in) noexcept {
            const D x = convertStereo<D>(in) + static_cast<double>(kAntiDenormal);
            const D w = x - k.a1 * w1 - k.a2 * w2;
            const T y = convertStereo<T>(k.b0 * w + k.b1 * w1 + k.b2 * w2);
            w2 = w1;
            w1 = w;
            return y;
        }
    };

    ~ShelfBiquad() override = default;

    // Frequency Hz [20, 20000], gain dB [lowest gain, 18], shelf slope [0.1, 2.5], sample rate
    // Hz; ramp != 0 ramps the change once the unit has processed audio.
    struct Settings {
        float frequency;
        float gain;
        float slope;
        int ramp;
        float sampleRate;
    };
    // Answers the warning of the last clamp.
    int setParameters(const Settings& settings) noexcept;

    const CoefficientGlide<Coefficients>& coefficients() const { return coefs; }

    // For a loop past every glide on two channels: both channels' section (counted as a kernel
    // call each), and the section's state put back.
    bool gliding() const noexcept { return coefs.left > 0; }
    Section<StereoFloats> stereoSection() noexcept {
        countKernelCall();
        countKernelCall();
        const double* l = channelState(0);
        const double* r = channelState(1);
        Section<StereoFloats> s;
        s.k = coefs.current;
        s.w1 = StereoDoubles{l[0], r[0]};
        s.w2 = StereoDoubles{l[1], r[1]};
        return s;
    }
    void store(const Section<StereoFloats>& section) noexcept {
        for (int c = 0; c < 2; ++c) {
            double* s = channelState(c);
            s[0] = section.w1[c];
            s[1] = section.w2[c];
        }
    }

protected:
    // What makes a shelf low or high: its lowest gain in dB and its coefficient formula.
    struct Shape {
        float minGain;
        Coefficients (*design)(double A, double cs, double beta) noexcept;
    };

    explicit ShelfBiquad(const Shape& s) : shape(s) {}

private:
    friend ChannelStateUnit<ShelfBiquad, double, 2>;
    void clearCoefficients() noexcept;
    void kernel(const ChannelBuffer& in, const ChannelBuffer& out, int channel) noexcept;

    const Shape shape;

    // coefficients
    CoefficientGlide<Coefficients> coefs;
    Coefficients step;  // per-sample increment while ramping

    // parameter cache: the values last passed, unclamped, and the rate computed with (44100
    // before the first call)
    float cachedFrequency = 0.0f;
    float cachedGain = 0.0f;
    float cachedSlope = 0.0f;
    int cachedRamp = 0;
    float cachedRate = static_cast<float>(reference_rate::kRate);

    // state (ChannelStateUnit): w1, w2 per channel
};
