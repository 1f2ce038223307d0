#include "EffectsChain.h"

#include <cstddef>
#include <cstdint>

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

}  // namespace

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

bool EffectsChain::processSteadyStereo(const ChannelBuffers& in,
                                       const ChannelBuffers& out) noexcept {
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

    PeakingBand::Section<StereoFloats> b1 = band1.stereoSection();
    ShelfFilter::Section<false, StereoFloats> ls = lowShelf.stereoSection<false>();
    PeakingBand::Section<StereoFloats> b2 = band2.stereoSection();
    ShelfBiquad::Section<StereoFloats> hb = highShelfBiquad.stereoSection();
    ShelfFilter::Section<true, StereoFloats> hs = highShelf.stereoSection<true>();
    OutputLevel::Section<StereoFloats> ol = outputLevel.stereoSection();

    const float* left = in[0].samples;
    const float* right = in[1].samples;
    float* outLeft = out[0].samples;
    float* outRight = out[1].samples;
    const ptrdiff_t leftStride = in[0].stride;
    const ptrdiff_t rightStride = in[1].stride;
    const ptrdiff_t outLeftStride = out[0].stride;
    const ptrdiff_t outRightStride = out[1].stride;
    for (int i = 0; i < n; ++i) {
        const StereoFloats x = {left[i * leftStride], right[i * rightStride]};
        const StereoFloats y = ol(hs(hb(b2(ls(b1(x))))));
        outLeft[i * outLeftStride] = y[0];
        outRight[i * outRightStride] = y[1];
    }

    band1.store(b1);
    lowShelf.store(ls);
    band2.store(b2);
    highShelfBiquad.store(hb);
    highShelf.store(hs);
    outputLevel.store(ol);
    return true;
}
