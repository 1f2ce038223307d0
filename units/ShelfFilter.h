#pragma once

#include "ChannelStateUnit.h"
#include "CoefficientGlide.h"
#include "FilterMath.h"
#include "ReferenceRate.h"
#include "StereoLanes.h"

// The first-order shelves, low and high: the dry signal plus (A - 1), A = 10^(dB/20), times a
// bilinear one-pole low-pass or high-pass,
//   u = b x - a s;   y = u + x + s (low)  or  y = u - s + x (high);   s = u
// with c = K/(1 + K), K = tan(pi f'/fs), the feed of the one-pole at the corner f'. A boost
// uses f' = f; a cut moves the corner (LowShelfFilter, HighShelfFilter) so that it mirrors the
// boost. Changes glide exponentially (glide time 20 ms, snapping to the target after 0.092 fs
// samples); a new rate takes effect at once. Coefficients and state are floats.
class ShelfFilter : public ChannelStateUnit<ShelfFilter, float, 2> {
public:
    struct Coefficients {
        float b = 0.0f;
        float a = 0.0f;
    };
    static constexpr double kGlideSeconds = 0.02;

    // The shelf (high when kHighShelf) of one channel (T float) or of both side by side
    // (StereoFloats), coefficients and state in hand, a sample at a time: the kernel's
    // arithmetic, also run by loops that chain several units sample by sample.
    template <bool kHighShelf, typename T = float>
    struct Section {
        Coefficients k;
        T s{};

        [[gnu::always_inline]] T operator()(T in) noexcept {
            const T x = in + kAntiDenormal;
            const T u = k.b * x - k.a * s;
            T y;
            if constexpr (kHighShelf) {
                y = u - s + x;
            } else {
                y = u + x + s;
            }
            s = u;
            return y;
        }
    };

    // A low shelf in the first stereo pair of lanes and a high shelf in the second, coefficients
    // K spread over the lanes, each lane computing what Section computes for its shelf. The high
    // shelf's u - s + x is taken as u + (-s) + x, which is the same sum to the bit, so that both
    // outputs are one sum of lanes picked from x, -s and s.
    template <typename K>
    struct PairSection {
        K k;
        StereoPairFloats s{};

        [[gnu::always_inline]] StereoPairFloats operator()(StereoPairFloats in) noexcept {
            const StereoPairFloats x = in + kAntiDenormal;
            const StereoPairFloats u = k.b * x - k.a * s;
            const StereoPairFloats first = __builtin_shufflevector(x, -s, 0, 1, 6, 7);
            const StereoPairFloats second = __builtin_shufflevector(s, x, 0, 1, 6, 7);
            const StereoPairFloats y = u + first + second;
            s = u;
            return y;
        }
    };

    ~ShelfFilter() override = default;

    // Frequency Hz [20, 20000], gain dB [-30, 18], sample rate Hz; glide != 0 glides the change
    // once the unit has processed audio.
    struct Settings {
        float frequency;
        float gain;
        int glide;
        float sampleRate;
    };
    // Answers the warning of the last clamp.
    int setParameters(const Settings& settings) noexcept;

    const CoefficientGlide<Coefficients>& coefficients() const { return coefs; }

    // For a loop past every glide on two channels: both channels' section (counted as a kernel
    // call each; kHighShelf says which shelf this is), and the section's state put back.
    bool gliding() const noexcept { return coefs.left > 0; }
    template <bool kHighShelf>
    Section<kHighShelf, StereoFloats> stereoSection() noexcept {
        countKernelCall();
        countKernelCall();
        Section<kHighShelf, StereoFloats> s;
        s.k = coefs.current;
        s.s = StereoFloats{channelState(0)[0], channelState(1)[0]};
        return s;
    }
    template <bool kHighShelf>
    void store(const Section<kHighShelf, StereoFloats>& section) noexcept {
        channelState(0)[0] = section.s[0];
        channelState(1)[0] = section.s[1];
    }

protected:
    // What makes a shelf low or high: the corner f' of a cut (f, A, fs in, Hz out), the
    // coefficients from the feed c and m = A - 1, and which way the one-pole passes.
    struct Shape {
        double (*cutCorner)(double f, double A, double fs) noexcept;
        Coefficients (*coefficients)(double c, double m) noexcept;
        bool highShelf;
    };

    explicit ShelfFilter(const Shape& s) : shape(s) {}

private:
    friend ChannelStateUnit<ShelfFilter, float, 2>;
    void clearCoefficients() noexcept;
    void kernel(const ChannelBuffer& in, const ChannelBuffer& out, int channel) noexcept;
    template <bool kHighShelf>
    void run(const ChannelBuffer& in, const ChannelBuffer& out, int channel) noexcept;

    const Shape shape;

    // coefficients
    CoefficientGlide<Coefficients> coefs;
    filter_math::ExponentialGlide glideStep;

    // parameter cache: the values last passed, unclamped, and the rate computed with (44100
    // before the first call)
    float cachedFrequency = 0.0f;
    float cachedGain = 0.0f;
    int cachedGlide = 0;
    float cachedRate = static_cast<float>(reference_rate::kRate);

    // state (ChannelStateUnit): s and one unused float per channel
};
