#pragma once

#include <cstddef>
#include <cstdint>

// One channel message of a piece, due at a frame offset inside the host block that carries it.
struct BlockEvent {
    int offset = 0;
    uint8_t status = 0;  // with the channel in the low nibble
    uint8_t data1 = 0;
    uint8_t data2 = 0;
};

// An instrument as the comparison drives it: host blocks of stereo float output, each with the
// channel messages due inside it. Setup (loading, instantiation) happens in the constructor and
// in restart, which the bench does not time; block is the timed work.
class PeerInstrument {
public:
    virtual ~PeerInstrument() = default;
    PeerInstrument() = default;
    PeerInstrument(const PeerInstrument&) = delete;
    PeerInstrument& operator=(const PeerInstrument&) = delete;

    virtual const char* name() const = 0;
    // Returns to silence and the state right after setup.
    virtual void restart() = 0;
    // Renders `frames` frames into left and right (overwriting them), playing the events, which
    // are ordered by offset, at their frames.
    virtual void block(const BlockEvent* events, size_t count, int frames, float* left,
                       float* right) = 0;
    // Voices sounding now, or -1 where the instrument does not tell.
    virtual int voices() const { return -1; }

protected:
    // For instruments that take messages between renders: renders up to each event's frame with
    // span, hands the event to apply, and renders the rest of the block.
    void playInSpans(const BlockEvent* events, size_t count, int frames, float* left, float* right);
    virtual void span(float* left, float* right, int frames) = 0;
    virtual void apply(const BlockEvent& event) = 0;
};
