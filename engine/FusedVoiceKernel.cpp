#include "FusedVoiceKernel.h"

#include <algorithm>
#include <cmath>

#include "FusedVoiceLanes.h"
#include "Hammer.h"
#include "KeyVoice.h"
#include "Pickup.h"
#include "Resonator.h"
#include "StateVariableFilter.h"

namespace {

constexpr int kTine = 0;
constexpr int kResonators = FusedVoiceLanes<1>::kResonators;

// The widest lane set the processor (and the system, which must save the wide registers) runs:
// AVX-512 needs its foundation (the 512-bit registers) and its 32 registers at 128 and 256 bits.
const FusedVoiceKernel::LaneSet widest = [] {
#if defined(ORVANE_WIDE_LANES)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") != 0 && __builtin_cpu_supports("avx512vl") != 0) {
        return FusedVoiceKernel::LaneSet::avx512;
    }
    if (__builtin_cpu_supports("avx2") != 0) {
        return FusedVoiceKernel::LaneSet::avx2;
    }
#endif
    return FusedVoiceKernel::LaneSet::portable;
}();

bool silent(int countdown, float amplitude) {
    return countdown < 0 || amplitude == 0.0f;
}

}  // namespace

bool FusedVoiceKernel::handles(const KeyVoice& voice) noexcept {
    if (!voice.hammer) {
        return false;
    }
    auto held = [](const Resonator& r) {
        return r.held == 1.0f || silent(r.countdown, r.amplitude);
    };
    return voice.thumpFilter->mode == StateVariableFilter::kLowPass &&
           voice.outputFilter->mode == StateVariableFilter::kHighPass && held(*voice.bell1) &&
           held(*voice.bell2);
}

FusedVoiceKernel::LaneSet FusedVoiceKernel::widestLanes() noexcept {
    return widest;
}

void FusedVoiceKernel::render(KeyVoice* const* voices, int count, int channels,
                              float* const outputs[2], int stride) noexcept {
    render(widest, voices, count, channels, outputs, stride);
}

void FusedVoiceKernel::render(LaneSet set, KeyVoice* const* voices, int count, int channels,
                              float* const outputs[2], int stride) noexcept {
    set = std::min(set, widest);
    // Groups one after the other keep the voices' order in the mix: each as wide as the
    // voices left fill.
    for (int done = 0; done < count;) {
        KeyVoice* const* group = voices + done;
        const int rest = count - done;
#if defined(ORVANE_WIDE_LANES)
        const bool avx512 = set == LaneSet::avx512;
        if (avx512 && rest > kWideLanes) {
            const int part = std::min(rest, kLanes);
            renderLanes<16>(group, part, channels, outputs, stride, &runWidestSixteen);
            done += part;
            continue;
        }
        if (set != LaneSet::portable && rest > kPortableLanes) {
            const int part = std::min(rest, kWideLanes);
            renderLanes<8>(group, part, channels, outputs, stride, avx512 ? &runWidest : &runWide);
            done += part;
            continue;
        }
        if (set != LaneSet::portable && rest >= 3) {
            renderLanes<4>(group, rest, channels, outputs, stride,
                           avx512 ? &runWidestFour : &runWideFour);
            done += rest;
            continue;
        }
#endif
        const int part = std::min(rest, kPortableLanes);
        if (part == 1) {
            renderLanes<1>(group, 1, channels, outputs, stride, &renderFusedLanes<1, 1>);
        } else if (part == 2) {
            renderLanes<2>(group, 2, channels, outputs, stride, &renderFusedLanes<2, 2>);
        } else {
            renderLanes<4>(group, part, channels, outputs, stride, &renderFusedLanes<4, 2>);
        }
        done += part;
    }
}

bool FusedVoiceKernel::equalises(int frames) noexcept {
    constexpr int kFilled = SkewedChain::kDepth + 4;  // the loop's own pipeline is five parts deep
    return widest == LaneSet::avx512 && frames >= kFilled;
}

void FusedVoiceKernel::render(KeyVoice* const* voices, int count, float* const outputs[2],
                              int stride, SkewedChain& equaliser, int firstStep,
                              int sliceFrames) noexcept {
    renderCarried(voices, count, outputs, stride, equaliser, firstStep, sliceFrames, 0);
}

void FusedVoiceKernel::renderCarried(KeyVoice* const* voices, int count, float* const outputs[2],
                                     int stride, SkewedChain& equaliser, int firstStep,
                                     int sliceFrames, int firstFrames) noexcept {
#if defined(ORVANE_WIDE_LANES)
    const Equalising equalising = {&equaliser, firstStep, sliceFrames, firstFrames};
    if (count > kPortableLanes) {
        renderLanes<8>(voices, count, 2, outputs, stride, &runWidest, equalising);
    } else {
        renderLanes<4>(voices, count, 2, outputs, stride, &runWidestFour, equalising);
    }
#else
    (void)voices, (void)count, (void)outputs, (void)stride, (void)equaliser, (void)firstStep,
        (void)sliceFrames, (void)firstFrames;
#endif
}

bool FusedVoiceKernel::carriesAcross(const KeyVoice& voice, int frames,
                                     double leastLevel) noexcept {
    const Hammer& h = *voice.hammer;
    if (!(h.time > h.length || h.order == 0)) {
        return false;
    }
    const Resonator* resonators[kResonators] = {voice.tine.get(), voice.bell1.get(),
                                                voice.bell2.get()};
    for (const Resonator* r : resonators) {
        if (!silent(r->countdown, r->amplitude) &&
            (r->countdown < frames || r->ringSamples < frames)) {
            return false;
        }
    }
    return static_cast<double>(voice.level) >= leastLevel;
}

double FusedVoiceKernel::carriedLevel(float fall, int frames) noexcept {
    // The fall less one part in 2^24 bounds a rounded product from below; the margin of 2
    // covers the power's own rounding.
    const double least = static_cast<double>(fall) * (1.0 - 0x1p-24);
    return 2.0 * static_cast<double>(kFusedSilenceLevel) / std::pow(least, frames);
}

template <int L>
void FusedVoiceKernel::renderLanes(KeyVoice* const* voices, int count, int channels,
                                   float* const outputs[2], int stride, Loop<L> loop,
                                   Equalising equalising) noexcept {
    const int first = equalising.firstFrames;
    const int n = first + voices[0]->frames();
    FusedVoiceLanes<L> s{};  // unused lanes stay all zero: silent, and their results are dropped
    s.equaliser = equalising.chain;
    s.firstStep = equalising.firstStep;
    s.sliceFrames = equalising.sliceFrames;
    s.boundary = first;
    s.frames = n;
    s.count = count;
    s.channels = channels;
    s.outputs[0] = outputs != nullptr ? outputs[0] : nullptr;
    s.outputs[1] = outputs != nullptr ? outputs[1] : nullptr;
    s.stride = stride;
    s.levelFall = voices[0]->context->levelFall;

    for (int l = 0; l < count; ++l) {
        const KeyVoice& v = *voices[l];
        const Hammer& h = *v.hammer;
        s.amplitude[l] = h.amplitude;
        s.pole[l] = h.poleStep;
        s.timeStep[l] = h.timeStep;
        s.time[l] = h.time;
        s.power[l] = h.power;
        s.order[l] = h.order;
        const bool runs = !(h.time > h.length || h.order == 0);
        s.pulsing[l] = runs ? -1 : 0;
        s.pulse = s.pulse || runs;

        const Resonator* resonators[kResonators] = {v.tine.get(), v.bell1.get(), v.bell2.get()};
        for (int r = 0; r < kResonators; ++r) {
            const Resonator& res = *resonators[r];
            s.cosOmega[r][l] = res.cosOmega;
            s.decay[r][l] = res.decay;
            s.gain[r][l] = res.amplitude;
            s.s1[r][l] = res.s1;
            s.s2[r][l] = res.s2;
            const bool sounds = !silent(res.countdown, res.amplitude);
            s.sounding[r][l] = sounds ? -1 : 0;
            s.bells = s.bells || (r != kTine && sounds);
        }
        const Resonator& tine = *v.tine;
        s.damperAlpha[l] = tine.damperAlpha;
        s.damperFloor[l] = tine.damperFloor;
        s.damperState[l] = tine.damperState;
        const bool contact = s.sounding[kTine][l] != 0 && tine.held != 1.0f;
        s.contacting[l] = contact ? -1 : 0;
        s.damper = s.damper || contact;

        const StateVariableFilter& thump = *v.thumpFilter;
        s.thumpF[l] = thump.f;
        s.thumpDamping[l] = thump.damping;
        s.thumpGain[l] = thump.gain;
        s.thumpBand[l] = thump.band;
        s.thumpLow[l] = thump.low;
        const StateVariableFilter& out = *v.outputFilter;
        s.outF[l] = out.f;
        s.outDamping[l] = out.damping;
        s.outGain[l] = out.gain;
        s.outBand[l] = out.band;
        s.outLow[l] = out.low;

        s.offset[l] = v.pickup->offset;
        s.bias[l] = v.pickup->bias;
        s.level[l] = v.level;
        s.gainLeft[l] = v.gainLeft;
        s.gainRight[l] = v.gainRight;
    }

    loop(s);

    for (int l = 0; l < count; ++l) {
        KeyVoice& v = *voices[l];
        Hammer& h = *v.hammer;
        if (s.pulsing[l] != 0) {
            h.time = s.time[l];
            h.power = s.power[l];
        } else {
            if (first > 0) {
                h.time += static_cast<float>(first) * h.timeStep;  // the clock runs slice by slice
            }
            h.time += static_cast<float>(n - first) * h.timeStep;
        }

        Resonator* resonators[kResonators] = {v.tine.get(), v.bell1.get(), v.bell2.get()};
        for (int r = 0; r < kResonators; ++r) {
            Resonator& res = *resonators[r];
            if (s.sounding[r][l] == 0) {
                continue;  // a silent resonator keeps its state and its count
            }
            res.s1 = s.s1[r][l];
            res.s2 = s.s2[r][l];
            const bool input = (r == kTine ? s.tineInput[l] : s.bellInput[l]) != 0;
            // The ring count restarts at every non-zero input sample and runs in whole slices.
            if (first > 0) {
                const bool firstInput = r != kTine && s.firstBellInput[l] != 0;
                res.countdown = (firstInput ? res.ringSamples : res.countdown) - first;
            }
            res.countdown = (input ? res.ringSamples : res.countdown) - (n - first);
        }
        v.tine->damperState = s.damperState[l];

        v.thumpFilter->band = s.thumpBand[l];
        v.thumpFilter->low = s.thumpLow[l];
        v.outputFilter->band = s.outBand[l];
        v.outputFilter->low = s.outLow[l];

        v.level = s.level[l];
        if (s.died[l] != 0) {
            v.active = false;
        }
    }
}
