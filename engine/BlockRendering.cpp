// Block rendering: a host block is cut into slices of at most 256 frames (the length of every
// voice buffer); inside a slice the keys are rendered up to each event's frame, the event is
// handled, and after the last event the rest of the slice follows. The units then run in place
// over the summed keys; where the keys fit one loop of the kernel, it runs the equaliser itself,
// and a slice cut by events takes the equaliser's steps part by part as its keys are rendered.
// Two whole slices with no event between them, whose keys come out of the first as they went in
// (no pulse, no count running out, no level near silence), run in one loop of the kernel: the
// slices stay what they are, as each key's counts and clocks advance slice by slice.

#include <algorithm>
#include <bit>

#include "ChorusUnit.h"
#include "EffectsChain.h"
#include "FusedVoiceKernel.h"
#include "KeyVoice.h"
#include "OverdriveUnit.h"
#include "PhaserUnit.h"
#include "PianoCore.h"
#include "TremoloUnit.h"

int PianoCore::render(const ChannelBuffers& input, ChannelBuffers& output) noexcept {
    const int frames = input[0].frames;
    output[0].frames = frames;
    if (frames < 0 || !effectsChain) {
        return frames < 0 ? 0 : frames;
    }
    if (frames <= kMaxSlice) {
        renderSlice(output);
        return frames;
    }

    // Where the equaliser is the last unit and the block sounds, its slices share one equaliser
    // begun on the whole block: it fills once at the block's start and drains once at its end.
    ChannelBuffers whole = output;
    whole[1].frames = frames;
    SkewedChain blockChain;
    Equalising block = {&blockChain, &whole, 0};
    const bool blockEqualised = !overdriveOn && !phaserOn && !tremoloOn && !chorusOn &&
                                soundsWithin(frames) && beginEqualiser(whole, blockChain);

    const int fullSlices = frames / kMaxSlice;
    const int rest = frames - kMaxSlice * fullSlices;
    subBlock[0].stride = output[0].stride;
    subBlock[1].stride = output[1].stride;
    subBlock[0].frames = kMaxSlice;
    subBlock[1].frames = kMaxSlice;
    auto pointAt = [&](int frameOffset) {
        subBlock[0].samples =
            output[0].samples + static_cast<ptrdiff_t>(frameOffset) * output[0].stride;
        if (outputChannels == 2) {
            subBlock[1].samples =
                output[1].samples + static_cast<ptrdiff_t>(frameOffset) * output[1].stride;
        }
    };
    for (int j = 0; j < fullSlices; ++j) {
        if (blockEqualised && j + 1 < fullSlices && renderCarried(block, kMaxSlice * j)) {
            position += 2 * kMaxSlice;
            ++j;
            continue;
        }
        pointAt(kMaxSlice * j);
        block.base = kMaxSlice * j;
        renderSlice(subBlock, blockEqualised ? &block : nullptr);
        position += kMaxSlice;
    }
    if (rest > 0) {
        subBlock[0].frames = rest;
        subBlock[1].frames = rest;
        pointAt(kMaxSlice * fullSlices);
        block.base = kMaxSlice * fullSlices;
        renderSlice(subBlock, blockEqualised ? &block : nullptr);
    }
    if (blockEqualised) {
        effectsChain->endSkewed(whole, blockChain);
    }
    return frames;
}

int64_t PianoCore::nextEventIn() const noexcept {
    const int32_t t = events.peekTime();
    // The distance in 64 bits: a host's event time may lie anywhere in the int range.
    return t == EventQueue::kNoEvent ? INT64_MAX : int64_t{t} - position;
}

bool PianoCore::soundsWithin(int frames) noexcept {
    if (nextEventIn() < frames) {
        return true;
    }
    KeyVoice* active[kKeyCount];
    return activeKeys(active) > 0;
}

int PianoCore::activeKeys(KeyVoice* (&list)[kKeyCount]) noexcept {
    int count = 0;
    for (size_t w = 0; w < struckKeys.size(); ++w) {
        for (uint64_t bits = struckKeys[w]; bits != 0; bits &= bits - 1) {
            const int bit = std::countr_zero(bits);
            KeyVoice* key = keys[w * 64 + static_cast<size_t>(bit)].get();
            if (key->isActive()) {
                list[count++] = key;
            } else {
                struckKeys[w] &= ~(uint64_t{1} << bit);
            }
        }
    }
    return count;
}

void PianoCore::renderSlice(const ChannelBuffers& slice, const Equalising* block) noexcept {
    const int n = slice[0].frames;
    if (n > kMaxSlice || n < 0) {
        return;
    }
    outLeft = slice[0].samples;
    outRight = outputChannels == 2 ? slice[1].samples : nullptr;
    std::fill_n(outLeft, n, 0.0f);
    if (outRight != nullptr) {
        std::fill_n(outRight, n, 0.0f);
    }

    // Where an event cuts the slice, its parts share one equaliser begun on the whole slice
    // (the events touch only the keys), which each part steps as its keys are rendered; in a
    // block whose slices share one, every part steps that.
    SkewedChain equaliser;
    const Equalising own = {&equaliser, &slice, 0};
    const Equalising* chain = block;
    bool chained = block != nullptr;
    const int start = position;
    int c = 0;
    for (;;) {
        const int32_t t = events.peekTime();
        // The distance in 64 bits: a host's event time may lie anywhere in the int range.
        const int64_t ahead = t == EventQueue::kNoEvent ? int64_t{n} + 1 : int64_t{t} - start;
        if (ahead > n) {
            break;  // the event belongs to a later slice
        }
        const int r = ahead < c ? c : static_cast<int>(ahead);  // a late event plays now
        if (r > c) {
            if (!chained && c == 0) {
                chained = beginEqualiser(slice, equaliser);
                chain = chained ? &own : nullptr;
            }
            if (chained) {
                renderEqualisedPart(*chain, c, r);
            } else {
                renderKeys(r - c, c);
            }
        }
        c = r;
        processNextEvent();
    }
    // A slice rendered from its start after its events (if any) may run the equaliser in the
    // kernel's loop, on the keys as they are mixed.
    bool equalised = chained;
    if (n - c >= 1) {
        if (chained) {
            renderEqualisedPart(*chain, c, n);
        } else {
            equalised = c == 0 && renderEqualisedKeys(slice);
            if (!equalised) {
                renderKeys(n - c, c);
            }
        }
    }

    if (chained) {
        if (block == nullptr) {
            effectsChain->endSkewed(slice, equaliser);
        }
    } else if (!equalised) {
        effectsChain->process(slice, slice);
    }
    if (overdriveOn) {
        overdrive->process(slice, slice);
    }
    if (phaserOn) {
        phaser->process(slice, slice);
    }
    if (tremoloOn) {
        tremolo->process(slice, slice);
    }
    if (chorusOn) {
        chorus->process(slice, slice);
    }
}

bool PianoCore::equalisesInKernel(const ChannelBuffers& slice) const noexcept {
    return !referenceVoices && outputChannels == 2 && slice[1].samples != nullptr &&
           slice[0].stride == 1 && slice[1].stride == 1 &&
           FusedVoiceKernel::equalises(slice[0].frames);
}

int PianoCore::equalisedGroup(KeyVoice* (&group)[FusedVoiceKernel::kMostEqualised]) noexcept {
    KeyVoice* active[kKeyCount];
    const int count = activeKeys(active);
    if (count > FusedVoiceKernel::kMostEqualised) {
        return -1;
    }
    for (int k = 0; k < count; ++k) {
        if (!FusedVoiceKernel::handles(*active[k])) {
            return -1;
        }
        group[k] = active[k];
    }
    return count;
}

bool PianoCore::renderEqualisedKeys(const ChannelBuffers& slice) noexcept {
    const int n = slice[0].frames;
    if (!equalisesInKernel(slice)) {
        return false;
    }
    // Every active key, in key order, in one group of the kernel.
    KeyVoice* group[FusedVoiceKernel::kMostEqualised];
    const int count = equalisedGroup(group);
    SkewedChain equaliser;
    if (count < FusedVoiceKernel::kFewestEqualised ||
        !effectsChain->beginSkewed(slice, equaliser)) {
        return false;
    }
    context.frameCount = n;
    float* const outputs[2] = {outLeft, outRight};
    FusedVoiceKernel::render(group, count, outputs, 1, equaliser, 0, n);
    effectsChain->endSkewed(slice, equaliser);
    return true;
}

bool PianoCore::beginEqualiser(const ChannelBuffers& slice, SkewedChain& equaliser) noexcept {
    return equalisesInKernel(slice) && effectsChain->beginSkewed(slice, equaliser);
}

void PianoCore::renderEqualisedPart(const Equalising& equalising, int from, int to) noexcept {
    const ChannelBuffers& buffers = *equalising.buffers;
    const int first = equalising.base + from;
    KeyVoice* group[FusedVoiceKernel::kMostEqualised];
    const int count = equalisedGroup(group);
    if (count > 0) {
        context.frameCount = to - from;
        float* const outputs[2] = {buffers[0].samples, buffers[1].samples};
        FusedVoiceKernel::render(group, count, outputs, 1, *equalising.chain, first,
                                 buffers[0].frames);
        return;
    }
    // No key, or keys the kernel's loop does not take: they are summed into the slice first.
    if (count < 0) {
        renderKeys(to - from, from);
    }
    effectsChain->feedSkewed(buffers, *equalising.chain, first, first + to - from);
}

bool PianoCore::renderCarried(const Equalising& block, int base) noexcept {
    if (nextEventIn() <= 2 * kMaxSlice) {
        return false;  // an event falls within the two slices, or at their end
    }
    KeyVoice* group[FusedVoiceKernel::kMostEqualised];
    const int count = equalisedGroup(group);
    if (count < 1) {
        return false;
    }
    if (context.levelFall != carriedFall) {
        carriedFall = context.levelFall;
        carriedLevel = FusedVoiceKernel::carriedLevel(carriedFall, kMaxSlice);
    }
    for (int k = 0; k < count; ++k) {
        if (!FusedVoiceKernel::carriesAcross(*group[k], kMaxSlice, carriedLevel)) {
            return false;
        }
    }
    const ChannelBuffers& buffers = *block.buffers;
    std::fill_n(buffers[0].samples + base, 2 * kMaxSlice, 0.0f);
    std::fill_n(buffers[1].samples + base, 2 * kMaxSlice, 0.0f);
    context.frameCount = kMaxSlice;
    float* const outputs[2] = {buffers[0].samples, buffers[1].samples};
    FusedVoiceKernel::renderCarried(group, count, outputs, 1, *block.chain, base, buffers[0].frames,
                                    kMaxSlice);
    return true;
}

void PianoCore::renderKeys(int frames, int offset) noexcept {
    context.frameCount = frames;
    float* const outputs[2] = {outLeft + offset, outRight != nullptr ? outRight + offset : nullptr};
    KeyVoice* active[kKeyCount];
    const int activeCount = activeKeys(active);
    if (referenceVoices) {
        for (int k = 0; k < activeCount; ++k) {
            active[k]->renderComponents(outputChannels, outputs, 1);
        }
        return;
    }
    // Active keys in key order, a few at a time through the fused kernel; the kernel mixes its
    // lanes in the order given, so every output sample sums the keys in key order as before.
    KeyVoice* group[FusedVoiceKernel::kLanes];
    int count = 0;
    auto flush = [&]() {
        if (count > 0) {
            FusedVoiceKernel::render(group, count, outputChannels, outputs, 1);
            count = 0;
        }
    };
    for (int k = 0; k < activeCount; ++k) {
        KeyVoice* key = active[k];
        if (!FusedVoiceKernel::handles(*key)) {
            flush();
            key->renderComponents(outputChannels, outputs, 1);
            continue;
        }
        group[count++] = key;
        if (count == FusedVoiceKernel::kLanes) {
            flush();
        }
    }
    flush();
}
