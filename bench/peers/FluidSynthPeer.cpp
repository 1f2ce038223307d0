#include "FluidSynthPeer.h"

#include <stdexcept>

namespace {
constexpr int kElectricPiano1 = 4;  // General MIDI program 5, counted from 0
constexpr int kPercussionChannel = 9;
}  // namespace

FluidSynthPeer::FluidSynthPeer(const std::string& soundFont) {
    fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
    fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
    settings = new_fluid_settings();
    fluid_settings_setnum(settings, "synth.sample-rate", 44100.0);
    fluid_settings_setint(settings, "synth.reverb.active", 0);
    fluid_settings_setint(settings, "synth.chorus.active", 0);
    fluid_settings_setint(settings, "synth.cpu-cores", 1);
    fluid_settings_setint(settings, "synth.polyphony", 256);
    synth = new_fluid_synth(settings);
    if (synth == nullptr || fluid_synth_sfload(synth, soundFont.c_str(), 1) == FLUID_FAILED) {
        throw std::runtime_error("cannot load the SoundFont " + soundFont);
    }
    restart();
}

FluidSynthPeer::~FluidSynthPeer() {
    if (synth != nullptr) {
        delete_fluid_synth(synth);
    }
    delete_fluid_settings(settings);
}

void FluidSynthPeer::restart() {
    fluid_synth_system_reset(synth);
    for (int channel = 0; channel < 16; ++channel) {
        if (channel != kPercussionChannel) {
            fluid_synth_program_change(synth, channel, kElectricPiano1);
        }
    }
}

void FluidSynthPeer::block(const BlockEvent* events, size_t count, int frames, float* left,
                           float* right) {
    playInSpans(events, count, frames, left, right);
}

int FluidSynthPeer::voices() const {
    return fluid_synth_get_active_voice_count(synth);
}

void FluidSynthPeer::span(float* left, float* right, int frames) {
    fluid_synth_write_float(synth, frames, left, 0, 1, right, 0, 1);
}

void FluidSynthPeer::apply(const BlockEvent& e) {
    const int channel = e.status & 0x0F;
    switch (e.status & 0xF0) {
        case 0x80:
            fluid_synth_noteoff(synth, channel, e.data1);
            break;
        case 0x90:
            if (e.data2 == 0) {
                fluid_synth_noteoff(synth, channel, e.data1);
            } else {
                fluid_synth_noteon(synth, channel, e.data1, e.data2);
            }
            break;
        case 0xB0:
            fluid_synth_cc(synth, channel, e.data1, e.data2);
            break;
        case 0xE0:
            fluid_synth_pitch_bend(synth, channel, e.data1 | (e.data2 << 7));
            break;
        default:
            break;
    }
}
