#pragma once

#include <array>
#include <cstdint>
#include <string_view>

// The instrument's factory presets: named starting sounds, each one step per parameter slot 1
// to 10 (Decay, Release, Bell Volume, Damper Volume, Stereo, Voices, Tune, Tremolo Rate,
// Tremolo Depth, Tremolo Stereo), the steps the editor's knobs and the host values step / N
// reach. No plug-in format here: a shell turns a preset into its own form (host values, a
// chunk, port values) through the parameters.
//
// Measured on C4 struck at velocity 100 (defaults: 20 dB below its peak after 4.4 s held, 40 dB
// down 60 ms after its release, the bells -49 dB of the first 0.3 s of C5's energy).
class FactoryPresets {
public:
    static constexpr int32_t kSlotCount = 10;
    // N of slots 1 to 10: the step counts of the parameters.
    static constexpr std::array<int32_t, kSlotCount> kStepCounts = {100, 100, 100, 100, 100,
                                                                    72,  100, 120, 100, 18};

    struct Preset {
        const char* name;  // at most 27 characters: a program file's name field holds 28
        const char* purpose;
        std::array<int32_t, kSlotCount> steps;  // slots 1 to 10
    };

    // Steps: Decay 10 x 10^(s/50) % cut to two digits, Release alike (the chunk keeps that
    // value and gives back the lowest step that has it, so only such steps are used here); the
    // volumes s/50 up to step 50, then 1 + 0.18 (s - 50); Stereo s %; Voices s + 1; Tune s - 50
    // cents; Rate s/15 Hz; Depth s %; Tremolo Stereo 10 s degrees.
    static constexpr std::array<Preset, 8> kAll = {{
        {"Default", "the instrument as it opens", {50, 50, 50, 50, 100, 19, 50, 0, 0, 18}},
        // Decay 250 %, Release 150 %: C4 still above -20 dB after 8 s, release 100 ms.
        {"Ballad",
         "long sustain for slow, held playing; 40 voices for the overlaps",
         {70, 59, 45, 40, 100, 39, 50, 0, 0, 18}},
        // Decay 25 %, Release 39 %, Damper 4.6: -20 dB after 1.1 s, release 30 ms.
        {"Funk",
         "short and percussive, a loud damper knock; 12 voices, narrower image",
         {20, 30, 50, 70, 60, 11, 50, 0, 0, 18}},
        // Bell 6.4, Decay 120 %: the bells -33 dB instead of -49 dB.
        {"Bell Tine",
         "bright and glassy: the bell partials well forward",
         {54, 50, 80, 50, 100, 19, 50, 0, 0, 18}},
        // Bell 0.3, Damper 0.6, Decay 63 %: the bells at -59 dB, -20 dB after 2.8 s.
        {"Mellow",
         "soft and dark, little bell and a quiet damper",
         {40, 45, 15, 30, 70, 19, 50, 0, 0, 18}},
        // 4.6 Hz, 70 %, 180 degrees: each side swings 17 dB, against the other
        // (envelope correlation -0.64).
        {"Auto-Pan",
         "the tremolo sweeping the sound from side to side",
         {50, 50, 50, 50, 100, 19, 50, 69, 70, 18}},
        // 5.3 Hz, 50 %, 0 degrees: both sides swing 12 dB together (correlation 1.0).
        {"Mono Vibe",
         "the tremolo pulsing both sides together",
         {50, 50, 50, 50, 100, 19, 50, 80, 50, 0}},
        // 8 voices, 3 cents flat, Damper 2.8, Stereo 40: -20 dB after 3.5 s.
        {"Vintage",
         "an older, tired instrument: 8 voices, a little flat, narrow",
         {45, 45, 40, 60, 40, 7, 47, 0, 0, 18}},
    }};

    // The preset of that name, or null.
    static constexpr const Preset* find(std::string_view name) noexcept {
        for (const Preset& p : kAll) {
            if (name == p.name) {
                return &p;
            }
        }
        return nullptr;
    }

    // The host's normalised value of slot 1 to 10: step / N.
    static constexpr float hostValue(const Preset& p, int32_t slot) noexcept {
        const auto k = static_cast<size_t>(slot - 1);
        return static_cast<float>(p.steps[k]) / static_cast<float>(kStepCounts[k]);
    }
};
