#include "EffectsChain.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

// Whether frames samples `stride` apart from a and from b share memory.
bool overlaps(const ChannelBuffer& a, const ChannelBuffer& b, int frames) noexcept {
    auto span = [frames](const ChannelBuffer& c, uintptr_t& lo, uintptr_t& hi) {
        const auto first = reinterpret_cast<uintptr_t>(c.samples);
        const auto last =
            reinterpret_cast<uintptr_t>(c.samples + static_cast<ptrdiff_t>(frames - 1) * c.stride);
        lo = first < last ? first : last;
        hi = (first < last ? last : first) + sizeof(float);
    };
    uintptr_t aLo = 0, aHi = 0, bLo = 0, bHi = 0;
    span(a, aLo, aHi);
    span(b, bLo, bHi);
    return aLo < bHi && bLo < aHi;
}

// Whether every one of frames samples `stride` apart holds the bits of the first. Adjacent
// samples are compared sixteen at a time (a loop the compiler turns into vector compares),
// leaving at the first block that differs.
bool constant(const float* samples, ptrdiff_t stride, int frames) noexcept {
    const auto first = std::bit_cast<uint32_t>(samples[0]);
    int i = 1;
    if (stride == 1) {
        constexpr int kBlock = 16;
        for (; i + kBlock <= frames; i += kBlock) {
            uint32_t differ = 0;
            for (int j = 0; j < kBlock; ++j) {
                differ |= std::bit_cast<uint32_t>(samples[i + j]) ^ first;
            }
            if (differ != 0) {
                return false;
            }
        }
    }
    for (; i < frames; ++i) {
        if (std::bit_cast<uint32_t>(samples[i * stride]) != first) {
            return false;
        }
    }
    return true;
}

template <typename T>
bool sameBits(const T& a, const T& b) noexcept {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

inline StereoPairFloats spread(float first, float second) noexcept {
    return StereoPairFloats{first, first, second, second};
}

}  // namespace

// The six sections of the steady line-up, a sample through all of them at a time.
struct EffectsChain::Sections {
    PeakingBand::Section<StereoFloats> b1;
    ShelfFilter::Section<false, StereoFloats> ls;
    PeakingBand::Section<StereoFloats> b2;
    ShelfBiquad::Section<StereoFloats> hb;
    ShelfFilter::Section<true, StereoFloats> hs;
    OutputLevel::Section<StereoFloats> ol;

    // Inlined at every call, so the slice's loop keeps the state in registers.
    [[gnu::always_inline]] StereoFloats operator()(StereoFloats x) noexcept {
        return ol(hs(hb(b2(ls(b1(x))))));
    }
    // Whether every bit of the state (not the coefficients, which stay) is as in o.
    bool sameState(const Sections& o) const noexcept {
        return sameBits(b1.w1, o.b1.w1) && sameBits(b1.w2, o.b1.w2) && sameBits(ls.s, o.ls.s) &&
               sameBits(b2.w1, o.b2.w1) && sameBits(b2.w2, o.b2.w2) && sameBits(hb.w1, o.hb.w1) &&
               sameBits(hb.w2, o.hb.w2) && sameBits(hs.s, o.hs.s) && sameBits(ol.g, o.ol.g);
    }

    // The same sections skewed in time, and their state back from them.
    SkewedChain skewed() const noexcept {
        return SkewedChain{
            {{spread(b1.k.b, b2.k.b), spread(b1.k.a1, b2.k.a1), spread(b1.k.a2, b2.k.a2)},
             joinStereo(b1.w1, b2.w1),
             joinStereo(b1.w2, b2.w2)},
            {{spread(ls.k.b, hs.k.b), spread(ls.k.a, hs.k.a)}, joinStereo(ls.s, hs.s)},
            {hb.k, hb.w1, hb.w2},
            {joinStereo(ol.g, ol.g), joinStereo(ol.t, ol.t), ol.s},
            {},
            {},
            {},
            {},
            {},
            {}};
    }
    void takeState(const SkewedChain& run) noexcept {
        b1.w1 = firstStereo(run.bands.w1);
        b1.w2 = firstStereo(run.bands.w2);
        b2.w1 = secondStereo(run.bands.w1);
        b2.w2 = secondStereo(run.bands.w2);
        ls.s = firstStereo(run.shelves.s);
        hs.s = secondStereo(run.shelves.s);
        hb.w1 = run.hb.w1;
        hb.w2 = run.hb.w2;
        ol.g = firstStereo(run.ol.g);
    }
};

int EffectsChain::setup(int inputs, int outputs) {
    int result = 0;
    forEachUnit([&](auto& unit) { result += unit.setup(inputs, outputs); });
    return result;
}

void EffectsChain::reset() noexcept {
    forEachUnit([](auto& unit) { unit.reset(); });
}

int EffectsChain::configure(const float (&values)[kValueCount]) noexcept {
    // v(n) is the chain's value n (1-based, as the values are numbered).
    auto v = [&values](int n) { return values[n - 1]; };
    auto on = [&v](int n) { return v(n) != 0.0f; };

    stage2Alt = on(21);
    stage3Alt = on(22);
    stage4Alt = on(23);
    stage5Alt = on(24);
    stage6On = on(25);
    stage3On = on(17) && on(2);
    stage4On = on(19) && on(4);
    // The cascades have no gain: selected, they run whatever the stage gain.
    stage2On = on(16) && (on(21) || on(1));
    stage5On = on(20) && (on(24) || on(5));
    const float band1Gain = on(18) ? v(3) : 0.0f;

    constexpr int kGlide = 1;
    const float rate = v(26);
    lowShelf.setParameters({.frequency = v(6), .gain = v(1), .glide = kGlide, .sampleRate = rate});
    highPass.setParameters(
        {.frequency = v(6), .order = v(11), .glideMs = kCascadeGlideMs, .sampleRate = rate});
    band2.setParameters(
        {.frequency = v(7), .gain = v(2), .q = v(12), .glide = kGlide, .sampleRate = rate});
    lowShelfBiquad.setParameters(
        {.frequency = v(7), .gain = v(2), .slope = v(12), .ramp = kGlide, .sampleRate = rate});
    band1.setParameters(
        {.frequency = v(8), .gain = band1Gain, .q = v(13), .glide = kGlide, .sampleRate = rate});
    band3.setParameters(
        {.frequency = v(9), .gain = v(4), .q = v(14), .glide = kGlide, .sampleRate = rate});
    highShelfBiquad.setParameters(
        {.frequency = v(9), .gain = v(4), .slope = v(14), .ramp = kGlide, .sampleRate = rate});
    highShelf.setParameters(
        {.frequency = v(10), .gain = v(5), .glide = kGlide, .sampleRate = rate});
    lowPass.setParameters(
        {.frequency = v(10), .order = v(15), .glideMs = kCascadeGlideMs, .sampleRate = rate});
    outputLevel.setSampleRate(rate);
    outputLevel.setParameters(v(25), 0);
    return 0;
}

int EffectsChain::process(const ChannelBuffers& in, const ChannelBuffers& out) noexcept {
    if (processSteadyStereo(in, out)) {
        return 0;
    }
    // A stage runs in place on out, its alternative implementation when selected.
    auto stage = [&out](bool on, bool alt, auto& alternative, auto& standard) {
        if (!on) {
            return;
        }
        if (alt) {
            alternative.process(out, out);
        } else {
            standard.process(out, out);
        }
    };
    band1.process(in, out);
    stage(stage2On, stage2Alt, highPass, lowShelf);
    stage(stage3On, stage3Alt, lowShelfBiquad, band2);
    stage(stage4On, stage4Alt, highShelfBiquad, band3);
    stage(stage5On, stage5Alt, lowPass, highShelf);
    if (stage6On) {
        outputLevel.process(out, out);
    }
    return 0;
}

bool EffectsChain::steadyStereo(const ChannelBuffers& in, const ChannelBuffers& out) noexcept {
    const bool lineUp = stage2On && !stage2Alt && stage3On && !stage3Alt && stage4On && stage4Alt &&
                        stage5On && !stage5Alt && stage6On;
    if (!lineUp || band1.gliding() || lowShelf.gliding() || band2.gliding() ||
        highShelfBiquad.gliding() || highShelf.gliding()) {
        return false;
    }
    bool stereo = true;
    forEachUnit([&stereo](const auto& unit) { stereo = stereo && unit.inputChannels() == 2; });
    const int n = in[0].frames;
    if (!stereo || n <= 0 || in[1].frames != n || out[0].frames != n || out[1].frames != n) {
        return false;
    }
    for (int c = 0; c < 2; ++c) {
        if (in[c].samples == nullptr || out[c].samples == nullptr) {
            return false;
        }
    }
    // Stage by stage, channel 0 is done before channel 1 is read: side by side gives the same
    // samples only when neither channel's output is the other channel's input or output.
    if (overlaps(out[0], in[1], n) || overlaps(out[0], out[1], n) || overlaps(out[1], in[0], n)) {
        return false;
    }
    // The skewed loop reads a channel's input up to ten samples ahead of the output it writes: a
    // channel runs either in place or between buffers apart.
    for (int c = 0; c < 2; ++c) {
        const bool inPlace = in[c].samples == out[c].samples && in[c].stride == out[c].stride;
        if (!inPlace && overlaps(in[c], out[c], n)) {
            return false;
        }
    }
    return true;
}

EffectsChain::Sections EffectsChain::steadySections() noexcept {
    return Sections{band1.stereoSection(),           lowShelf.stereoSection<false>(),
                    band2.stereoSection(),           highShelfBiquad.stereoSection(),
                    highShelf.stereoSection<true>(), outputLevel.stereoSection()};
}

void EffectsChain::store(const Sections& chain) noexcept {
    band1.store(chain.b1);
    lowShelf.store(chain.ls);
    band2.store(chain.b2);
    highShelfBiquad.store(chain.hb);
    highShelf.store(chain.hs);
    outputLevel.store(chain.ol);
}

SkewedChain::Io EffectsChain::stereoIo(const ChannelBuffers& in,
                                       const ChannelBuffers& out) noexcept {
    return {in[0].samples, in[1].samples, out[0].samples, out[1].samples,
            in[0].stride,  in[1].stride,  out[0].stride,  out[1].stride};
}

bool EffectsChain::beginSkewed(const ChannelBuffers& slice, SkewedChain& skewed) noexcept {
    if (slice[0].frames < SkewedChain::kDepth || !steadyStereo(slice, slice)) {
        return false;
    }
    skewed = steadySections().skewed();
    return true;
}

void EffectsChain::feedSkewed(const ChannelBuffers& slice, SkewedChain& skewed, int from,
                              int to) noexcept {
    skewed.feed(stereoIo(slice, slice), from, to, slice[0].frames);
}

void EffectsChain::endSkewed(const ChannelBuffers& slice, SkewedChain& skewed) noexcept {
    skewed.drain(stereoIo(slice, slice), slice[0].frames);
    Sections chain{};
    chain.takeState(skewed);
    store(chain);
}

bool EffectsChain::processSteadyStereo(const ChannelBuffers& in,
                                       const ChannelBuffers& out) noexcept {
    if (!steadyStereo(in, out)) {
        return false;
    }
    Sections chain = steadySections();
    const int n = in[0].frames;
    const float* left = in[0].samples;
    const float* right = in[1].samples;
    float* outLeft = out[0].samples;
    float* outRight = out[1].samples;
    const ptrdiff_t leftStride = in[0].stride;
    const ptrdiff_t rightStride = in[1].stride;
    const ptrdiff_t outLeftStride = out[0].stride;
    const ptrdiff_t outRightStride = out[1].stride;

    // Settled: a step is a function of the state and the input alone. When the input holds the
    // same bits at every sample and a few steps bring every state bit back to where it was (the
    // filters at their fixed point under that input and the anti-denormal offset, or circling
    // in the last bit of a double), the slice repeats those steps' outputs and states: only
    // they are computed.
    constexpr int kLongestCycle = 4;
    StereoFloats cycle[kLongestCycle];
    int period = 0;
    const StereoFloats first = {left[0], right[0]};
    if (constant(left, leftStride, n) && constant(right, rightStride, n)) {
        Sections trial = chain;
        for (int p = 0; p < kLongestCycle && period == 0; ++p) {
            cycle[p] = trial(first);
            period = trial.sameState(chain) ? p + 1 : 0;
        }
    }
    if (period > 0) {
        for (int i = 0, p = 0; i < n; ++i, p = p + 1 == period ? 0 : p + 1) {
            outLeft[i * outLeftStride] = cycle[p][0];
            outRight[i * outRightStride] = cycle[p][1];
        }
        for (int i = 0; i < n % period; ++i) {
            chain(first);
        }
    } else {
        SkewedChain skewed = chain.skewed();
        skewed.run(stereoIo(in, out), n);
        chain.takeState(skewed);
    }
    store(chain);
    return true;
}
