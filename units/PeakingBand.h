#pragma once

#include "ChannelStateUnit.h"
#include "CoefficientGlide.h"
#include "ReferenceRate.h"
#include "StereoLanes.h"

// A peaking equaliser band: a second-order band-pass, scaled by A - 1 and added to the dry
// signal, so the gain is A = 10^(dB/20) at the centre frequency and 1 far from it.
//   w0 = x - a1 w1 - a2 w2;   y = x + b (w0 - w2)
// The band-pass is the bilinear image of (s/Q')/(s^2 + s/Q' + 1) prewarped to the centre
// (C = cot(pi f/fs)): with D = C/Q' and N = C^2 + D + 1, k = D/N, a1 = 2 (1 - C^2)/N,
// a2 = 1 - 2k, b = k (A - 1). Q' = Qe w/tan w widens the analogue Q against the bandwidth
// compression of the bilinear map; a cut uses Qe = Q A, which makes it the exact inverse of the
// boost of equal size. Coefficients and state are floats; changes ramp linearly over 256 samples
// at 44100 Hz (5.8 ms: as long at every rate); a new rate takes effect at once.
class PeakingBand : public ChannelStateUnit<PeakingBand, float, 2> {
public:
    struct Coefficients {
        float b = 0.0f;
        float a1 = 0.0f;
        float a2 = 0.0f;
    };
    static constexpr int kRampLength = 256;  // samples at 44100 Hz

    // The filter of one channel (T float) or of both side by side (StereoFloats), coefficients
    // and state in hand, a sample at a time: the kernel's arithmetic, also run by loops that
    // chain several units sample by sample. K holds the coefficients as floats, or as lanes of
    // T when the lanes are different bands.
    template <typename T = float, typename K = Coefficients>
    struct Section {
        K k;
        T w1{};
        T w2{};

        [[gnu::always_inline]] T operator()(T in) noexcept {
            const T x = in + kAntiDenormal;
            const T w0 = x - k.a1 * w1 - k.a2 * w2;
            const T y = x + k.b * (w0 - w2);
            w2 = w1;
            w1 = w0;
            return y;
        }
    };

    PeakingBand() = default;
    ~PeakingBand() override = default;

    // Frequency Hz [20, 20000], gain dB [-30, 18], Q [0.1, 10], sample rate Hz; glide != 0 ramps
    // the change once the unit has processed audio.
    struct Settings {
        float frequency;
        float gain;
        float q;
        int glide;
        float sampleRate;
    };
    // Answers the warning of the last clamp.
    int setParameters(const Settings& settings) noexcept;

    const CoefficientGlide<Coefficients>& coefficients() const { return coefs; }

    // For a loop past every glide on two channels: both channels' section (counted as a kernel
    // call each), and the section's state put back.
    bool gliding() const noexcept { return coefs.left > 0; }
    Section<StereoFloats> stereoSection() noexcept;
    void store(const Section<StereoFloats>& section) noexcept;

private:
    friend ChannelStateUnit<PeakingBand, float, 2>;
    void clearCoefficients() noexcept;
    void kernel(const ChannelBuffer& in, const ChannelBuffer& out, int channel) noexcept;

    // coefficients
    CoefficientGlide<Coefficients> coefs;
    Coefficients step;  // per-sample increment while ramping

    // parameter cache: the values last passed, unclamped, and the rate computed with (44100
    // before the first call)
    float cachedFrequency = 0.0f;
    float cachedGain = 0.0f;
    float cachedQ = 0.0f;
    int cachedGlide = 0;
    float cachedRate = static_cast<float>(reference_rate::kRate);

    // state (ChannelStateUnit): w1, w2 per channel
};
