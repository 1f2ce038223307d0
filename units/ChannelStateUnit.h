#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>

#include "ChannelBuffers.h"
#include "Unit.h"

// The per-channel state every allocating unit owns: kStateSize values of type State per
// channel, allocated and zeroed by setup, zeroed by reset, and the process loop that runs the
// unit's kernel once per channel. Derived supplies
//   void kernel(const ChannelBuffer& in, const ChannelBuffer& out, int channel) noexcept;
//   void clearCoefficients() noexcept;   // zeroes the coefficient sets (strict setup only)
// and makes this class a friend. The kernel is bound at compile time: no call through a table.
template <class Derived, class State, int kStateSize>
class ChannelStateUnit : public Unit {
public:
    // 0, -1001 (a count other than 1 or 2) or -1002 (different counts), checked before anything
    // is touched; on success allocates zeroed state for `inputs` channels, stores both counts,
    // zeroes the block counter and the coefficient sets.
    int setup(int inputs, int outputs) {
        const int check = checkChannels(inputs, outputs);
        if (check != 0) {
            return check;
        }
        allocate(inputs, outputs);
        derived().clearCoefficients();
        return 0;
    }

    // Zeroes the state of every channel and the block counter; coefficients stay.
    void reset() noexcept {
        blockCounter = 0;
        if (state) {
            std::fill_n(state.get(), kStateSize * channels(), State{});
        }
    }

    // Runs the kernel for every channel (in place allowed); answers the frame count of in[0],
    // or 0 without state.
    int process(const ChannelBuffers& in, const ChannelBuffers& out) noexcept {
        if (!state) {
            return 0;
        }
        const int count = channels();
        for (int c = 0; c < count; ++c) {
            derived().kernel(in[c], out[c], c);
        }
        return in[0].frames;
    }

protected:
    ChannelStateUnit() = default;

    // The setup of the modulation effects: reports a bad count (the mismatch check, made last,
    // wins) but configures the unit for it all the same, allocating zeroed state for the
    // channels a record can hold. Coefficients are left as they are.
    int setupAnyCount(int inputs, int outputs) {
        int result = 0;
        if (inputs != 1 && inputs != 2) {
            result = kErrorChannels;
        }
        if (outputs != inputs) {
            result = kErrorChannelMismatch;
        }
        allocate(inputs, outputs);
        return result;
    }

    // Channels the kernel runs for: the set-up count, limited to the two a ChannelBuffers
    // record holds (none for a negative count).
    int channels() const noexcept { return recordChannels(inChannels); }

    State* channelState(int c) noexcept { return state.get() + kStateSize * c; }
    const State* channelState(int c) const noexcept { return state.get() + kStateSize * c; }

    // state: kStateSize values per channel, absent until setup
    std::unique_ptr<State[]> state;

private:
    Derived& derived() noexcept { return static_cast<Derived&>(*this); }

    static int recordChannels(int count) noexcept {
        if (count < 0) {
            return 0;
        }
        return count > kRecordChannels ? kRecordChannels : count;
    }

    void allocate(int inputs, int outputs) {
        state.reset();
        state = std::make_unique<State[]>(static_cast<size_t>(kStateSize * recordChannels(inputs)));
        inChannels = inputs;
        outChannels = outputs;
        blockCounter = 0;
    }

    static constexpr int kRecordChannels = 2;  // a ChannelBuffers record holds two channels
};
