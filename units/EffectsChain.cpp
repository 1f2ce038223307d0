#include "EffectsChain.h"

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
    lowShelf.setParameters(v(6), v(1), kGlide, rate);
    highPass.setParameters(v(6), v(11), kCascadeGlideMs, rate);
    band2.setParameters(v(7), v(2), v(12), rate, kGlide);
    lowShelfBiquad.setParameters(v(7), v(2), v(12), kGlide, rate);
    band1.setParameters(v(8), band1Gain, v(13), rate, kGlide);
    band3.setParameters(v(9), v(4), v(14), rate, kGlide);
    highShelfBiquad.setParameters(v(9), v(4), v(14), kGlide, rate);
    highShelf.setParameters(v(10), v(5), kGlide, rate);
    lowPass.setParameters(v(10), v(15), kCascadeGlideMs, rate);
    outputLevel.setSampleRate(rate);
    outputLevel.setParameters(v(25), 0);
    return 0;
}

int EffectsChain::process(const ChannelBuffers& in, const ChannelBuffers& out) noexcept {
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
