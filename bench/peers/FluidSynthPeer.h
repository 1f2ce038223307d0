#pragma once

#include <fluidsynth.h>

#include <string>

#include "PeerInstrument.h"

// The SoundFont synthesiser with the General MIDI bank's program 4 (Electric Piano 1) on every
// melodic channel, reverb and chorus off, one thread, 256 voices, 44.1 kHz.
class FluidSynthPeer : public PeerInstrument {
public:
    explicit FluidSynthPeer(const std::string& soundFont);
    ~FluidSynthPeer() override;

    const char* name() const override { return "FluidSynth"; }
    void restart() override;
    void block(const BlockEvent* events, size_t count, int frames, float* left,
               float* right) override;
    int voices() const override;

private:
    void span(float* left, float* right, int frames) override;
    void apply(const BlockEvent& event) override;

    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
};
