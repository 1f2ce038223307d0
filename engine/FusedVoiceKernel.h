#pragma once

class KeyVoice;
struct SkewedChain;
template <int L>
struct FusedVoiceLanes;

// The fast render of key voices: several voices at once, one vector lane each, with every
// component of a voice fused into one loop per slice and all state in registers. Per sample and
// lane it computes, in the order the data flows,
//   hammer pulse x → thump low-pass (reads x) → tine (reads x; after release its damper contact
//   d makes the bells' input x + d) → bell partials → pickup → output high-pass → level,
// which equals the component-by-component render of KeyVoice because each component at sample i
// reads only its inputs at sample i. The arithmetic is the components' own, operation for
// operation (resonator steps in double with float state, everything else in float), so the
// result is the same to the bit. Components that are silent in every lane (hammer pulse over,
// bells past their ring time, no damper contact) are left out of the loop for the whole slice;
// silent lanes of a running component are computed and their results dropped. The lanes' outputs
// are mixed into the channels in the order the voices are given, as the voices would mix one
// after the other.
//
// The portable lanes run four voices on the baseline vector unit; on x86-64 processors with
// AVX2 the wide lanes run eight, or four with each resonator's doubles in one register when no
// more than four voices sound; with AVX-512 the eight lanes' doubles fit one register too, and
// both loops keep their state in its 32 registers (chosen once, at load time).
class FusedVoiceKernel {
public:
    static constexpr int kLanes = 16;         // the most voices one call takes
    static constexpr int kWideLanes = 8;      // voices per loop on AVX2
    static constexpr int kPortableLanes = 4;  // voices per loop without the wide lanes

    // Whether the voice's network is the one the kernel computes: initialised, thump filter in
    // low-pass and output filter in high-pass mode (as every configured key is), bells in held
    // mode. Other voices render component by component.
    static bool handles(const KeyVoice& voice) noexcept;

    // The instruction sets the lanes are built for, each wider than the one before.
    enum class LaneSet { portable, avx2, avx512 };
    // The widest set this processor runs (portable where no wide lanes are built).
    static LaneSet widestLanes() noexcept;

    // Renders one slice (frameCount of the voices' context) of `count` (up to kLanes) active
    // voices that share one context and mixes them, in the given order, into outputs[0] (and
    // outputs[1] when channels is 2); updates their level and active flag. On the widest lanes.
    static void render(KeyVoice* const* voices, int count, int channels, float* const outputs[2],
                       int stride) noexcept;
    // The same on the given set, or the widest below it that this processor runs; the portable
    // lanes take four voices at a time (any count).
    static void render(LaneSet set, KeyVoice* const* voices, int count, int channels,
                       float* const outputs[2], int stride) noexcept;

    // Whether render can step the equaliser inside its loop over a slice of `frames`, for
    // kFewestEqualised to kMostEqualised voices: where one loop of the widest lanes takes them
    // all and has the registers for the equaliser beside them (AVX-512, three to eight voices),
    // over a slice long enough to fill the equaliser's pipeline from inside the loop.
    static constexpr int kFewestEqualised = 3;
    static constexpr int kMostEqualised = kWideLanes;
    static bool equalises(int frames) noexcept;
    // Renders frameCount frames of `count` voices that are all the sound of those frames, and
    // runs the equaliser on their stereo mix in the same loop. `equaliser` was begun on buffers
    // of sliceFrames (a slice, or a host block of slices; EffectsChain::beginSkewed) and has
    // taken their steps up to firstStep, the first of these frames; it takes the steps of these
    // frames. outputs[0] and outputs[1] point at the buffers' start and hold the equaliser's
    // output up to where it has come. Only where equalises holds for the buffers, for one to
    // kMostEqualised voices.
    static void render(KeyVoice* const* voices, int count, float* const outputs[2], int stride,
                       SkewedChain& equaliser, int firstStep, int sliceFrames) noexcept;
    // Whether a voice's slice of `frames` can run on into the next slice in one loop: it comes
    // out of the slice as it went in, as far as the loop's choices go. No hammer pulse runs (and
    // so none starts), every sounding resonator still sounds after the slice whether or not an
    // input restarts its count, and its running level is at least leastLevel (carriedLevel).
    static bool carriesAcross(const KeyVoice& voice, int frames, double leastLevel) noexcept;
    // The least running level that cannot fall to silence within `frames` at a level fall of
    // `fall` per sample: each sample's peak is at least the fall times the one before, rounded.
    static double carriedLevel(float fall, int frames) noexcept;
    // The render above over two slices of the same voices in one loop: firstFrames frames, then
    // frameCount frames, where every voice carries across the first (carriesAcross) and no event
    // falls between them; each voice's counts and clocks advance slice by slice.
    static void renderCarried(KeyVoice* const* voices, int count, float* const outputs[2],
                              int stride, SkewedChain& equaliser, int firstStep, int sliceFrames,
                              int firstFrames) noexcept;

private:
    template <int L>
    using Loop = void (*)(FusedVoiceLanes<L>& lanes) noexcept;

    // The equaliser a loop steps, and where its frames lie in the buffers it was begun on (no
    // chain: none); firstFrames, the frames of the first of two slices the loop runs over (0 for
    // one).
    struct Equalising {
        SkewedChain* chain;
        int firstStep;
        int sliceFrames;
        int firstFrames;
    };
    template <int L>
    static void renderLanes(KeyVoice* const* voices, int count, int channels,
                            float* const outputs[2], int stride, Loop<L> loop,
                            Equalising equalising = {nullptr, 0, 0, 0}) noexcept;
    // The eight- and four-lane loops and mix, compiled for AVX2 (FusedVoiceKernelWide.cpp).
    static void runWide(FusedVoiceLanes<8>& lanes) noexcept;
    static void runWideFour(FusedVoiceLanes<4>& lanes) noexcept;
    // The sixteen-, eight- and four-lane loops and mix compiled for AVX-512
    // (FusedVoiceKernelWidest.cpp).
    static void runWidestSixteen(FusedVoiceLanes<16>& lanes) noexcept;
    static void runWidest(FusedVoiceLanes<8>& lanes) noexcept;
    static void runWidestFour(FusedVoiceLanes<4>& lanes) noexcept;
};
