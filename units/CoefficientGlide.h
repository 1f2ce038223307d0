#pragma once

#include <cstdint>

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
};
