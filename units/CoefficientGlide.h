#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "ChannelBuffers.h"

// The coefficient sets of a gliding unit: the set the kernel uses now, the set it glides to,
// the samples left in the glide, and the copy that channel 0's kernel saves at the start of a
// block so that every other channel restores it and follows the same trajectory.
template <typename Set>
struct CoefficientGlide {
    Set current{};
    Set target{};
    int32_t left = 0;  // samples until current is set to target; 0 when not gliding
    Set savedCurrent{};
    int32_t savedLeft = 0;

    // Called by the kernel before it touches a channel.
    void enterChannel(int channel) noexcept {
        if (channel == 0) {
            savedCurrent = current;
            savedLeft = left;
        } else {
            current = savedCurrent;
            left = savedLeft;
        }
    }

    // A change that glides: the kernel moves current toward the set and makes it equal after
    // `samples` samples.
    void glideTo(const Set& set, int32_t samples) noexcept {
        target = set;
        left = samples;
    }

    // A change that takes effect at once: no glide, current and target both the new set.
    void jumpTo(const Set& set) noexcept {
        current = set;
        target = set;
        left = 0;
    }

    // The kernel's sample loop over `frames` samples of one channel, in to out: while the glide
    // lasts each sample goes through `gliding`, which steps the kernel's coefficients first;
    // where the glide ends `arrive` sets them to the target; the rest go through `steady`.
    template <typename Gliding, typename Arrive, typename Steady>
    void run(const ChannelBuffer& in, const ChannelBuffer& out, int frames, Gliding&& gliding,
             Arrive&& arrive, Steady&& steady) noexcept {
        const float* src = in.samples;
        float* dst = out.samples;
        const ptrdiff_t inStride = in.stride;
        const ptrdiff_t outStride = out.stride;
        int i = 0;
        if (left > 0) {
            const int n = std::min(left, frames);
            for (; i < n; ++i) {
                dst[i * outStride] = gliding(src[i * inStride]);
            }
            left -= n;
            if (left == 0) {
                arrive();
            }
        }
        for (; i < frames; ++i) {
            dst[i * outStride] = steady(src[i * inStride]);
        }
    }
};
