#pragma once

#include <memory>

#include "PeerInstrument.h"

class PianoCore;

// Orvane Piano's engine as the plug-in drives it: the module's values for the defaults of every
// parameter but "Voices" (73, its maximum, so that no piece is cut short by stealing), events
// queued with their offsets and one render per block.
class OrvanePeer : public PeerInstrument {
public:
    OrvanePeer();
    ~OrvanePeer() override;

    const char* name() const override { return "Orvane Piano"; }
    void restart() override;
    void block(const BlockEvent* events, size_t count, int frames, float* left,
               float* right) override;
    int voices() const override;

private:
    void span(float*, float*, int) override {}
    void apply(const BlockEvent&) override {}

    std::unique_ptr<PianoCore> core;
};
