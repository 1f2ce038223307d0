#pragma once

#include "ChannelBuffers.h"
#include "HighPassCascade.h"
#include "HighShelfBiquad.h"
#include "HighShelfFilter.h"
#include "LowPassCascade.h"
#include "LowShelfBiquad.h"
#include "LowShelfFilter.h"
#include "OutputLevel.h"
#include "PeakingBand.h"
#include "SkewedChain.h"

// The fixed voicing equaliser run over the summed keys once per block: ten filter units as six
// stages in a fixed order,
//   1 band1 (always) -> 2 lowShelf | highPass -> 3 band2 | lowShelfBiquad
//   -> 4 band3 | highShelfBiquad -> 5 highShelf | lowPass -> 6 outputLevel.
// Per stage an enable flag says whether it runs and a select flag which implementation runs.
// Every configure hands its values to all ten units, run or not; each unit recomputes only when
// its own values or the rate changed, and glides once it has processed audio (a new rate takes
// effect at once).
class EffectsChain {
public:
    static constexpr int kValueCount = 26;  // values 1..26 of configure; value 26 is the rate
    static constexpr float kCascadeGlideMs = 10.0f;

    EffectsChain() = default;
    virtual ~EffectsChain() = default;
    EffectsChain(const EffectsChain&) = delete;
    EffectsChain& operator=(const EffectsChain&) = delete;

    // Sets up every unit in member order; answers the sum of their results (0, or ten times
    // -1001 or -1002).
    int setup(int inputs, int outputs);
    // Zeroes every unit's state and block counter; flags and coefficients stay.
    void reset() noexcept;
    // Runs the enabled stages, band1 from in to out and the rest in place on out. Answers 0.
    int process(const ChannelBuffers& in, const ChannelBuffers& out) noexcept;
    // values[0..25] are the chain's values 1 to 26 (gains, frequencies, orders and Q/slopes,
    // stage switches, stage selects, output level, sample rate). Answers 0.
    int configure(const float (&values)[kValueCount]) noexcept;

    // A slice run in place on two channels whose steps a caller's loop takes: where the voicing's
    // own line-up runs past its glides on two channels (where process would run the skewed
    // chain), answers true with the chain, its state in hand, for the slice's steps. The caller
    // runs steps 0 .. n - 1 (partial steps up to kDepth - 1; step t takes sample t of the slice
    // and, from kDepth on, writes sample t - kDepth) and then hands the chain to endSkewed, which
    // drains it and puts its state back; process must not run on the slice. Answers false,
    // touching nothing, otherwise (or below kDepth frames).
    bool beginSkewed(const ChannelBuffers& slice, SkewedChain& skewed) noexcept;
    // Runs steps from..to - 1 of a begun slice on the samples the slice holds there, for a caller
    // whose loop takes only some of the slice's steps.
    void feedSkewed(const ChannelBuffers& slice, SkewedChain& skewed, int from, int to) noexcept;
    void endSkewed(const ChannelBuffers& slice, SkewedChain& skewed) noexcept;

    // Read access for tests and tools.
    const LowShelfFilter& lowShelfUnit() const { return lowShelf; }
    const HighPassCascade& highPassUnit() const { return highPass; }
    const PeakingBand& band2Unit() const { return band2; }
    const LowShelfBiquad& lowShelfBiquadUnit() const { return lowShelfBiquad; }
    const PeakingBand& band1Unit() const { return band1; }
    const PeakingBand& band3Unit() const { return band3; }
    const HighShelfBiquad& highShelfBiquadUnit() const { return highShelfBiquad; }
    const HighShelfFilter& highShelfUnit() const { return highShelf; }
    const LowPassCascade& lowPassUnit() const { return lowPass; }
    const OutputLevel& outputLevelUnit() const { return outputLevel; }

private:
    struct Sections;

    // The voicing's own stage line-up (band1, low shelf, band2, high-shelf biquad, high shelf,
    // output level) on two channels, every filter past its glide: all six units in one loop,
    // skewed in time so that one step runs every stage on its own sample, both channels side by
    // side, each unit's arithmetic unchanged, so the result is the stage-by-stage one to the
    // bit. Answers false, touching nothing, where another line-up, a glide, other buffers or
    // channel counts need the stage-by-stage run.
    bool processSteadyStereo(const ChannelBuffers& in, const ChannelBuffers& out) noexcept;
    // Whether that loop runs from in to out.
    bool steadyStereo(const ChannelBuffers& in, const ChannelBuffers& out) noexcept;
    // The six units' sections (counted as their kernel calls), and their state put back.
    Sections steadySections() noexcept;
    void store(const Sections& chain) noexcept;
    static SkewedChain::Io stereoIo(const ChannelBuffers& in, const ChannelBuffers& out) noexcept;

    // Calls f on every unit in member order.
    template <class F>
    void forEachUnit(F&& f) {
        f(lowShelf);
        f(highPass);
        f(band2);
        f(lowShelfBiquad);
        f(band1);
        f(band3);
        f(highShelfBiquad);
        f(highShelf);
        f(lowPass);
        f(outputLevel);
    }

    // units, in construction order
    LowShelfFilter lowShelf;
    HighPassCascade highPass;
    PeakingBand band2;
    LowShelfBiquad lowShelfBiquad;
    PeakingBand band1;
    PeakingBand band3;
    HighShelfBiquad highShelfBiquad;
    HighShelfFilter highShelf;
    LowPassCascade lowPass;
    OutputLevel outputLevel;

    // stage flags, set by configure
    bool stage5On = false;
    bool stage4On = false;
    bool stage3On = false;
    bool stage2On = false;
    bool stage6On = false;
    bool stage5Alt = false;
    bool stage4Alt = false;
    bool stage3Alt = false;
    bool stage2Alt = false;
};
