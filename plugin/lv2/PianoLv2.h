#pragma once

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <array>
#include <cstdint>
#include <memory>

#include "Lv2Ports.h"

class PianoModule;

// The LV2 instrument: one engine module driven through ports. MIDI events of the atom input
// reach the engine's queue with their frame in the block; a control port's value, when it
// changes, sets its parameter's nearest step; the state is the module's 68-byte chunk.
class PianoLv2 {
public:
    // Instantiation thread: the module at the host's rate. Needs the host's URID map.
    PianoLv2(double rate, const LV2_Feature* const* features);
    ~PianoLv2();
    PianoLv2(const PianoLv2&) = delete;
    PianoLv2& operator=(const PianoLv2&) = delete;

    // False when the host gave no URID map: the instance cannot read MIDI.
    bool ready() const noexcept { return map != nullptr; }

    void connect(uint32_t port, void* data) noexcept;
    void activate() noexcept;
    // Audio thread.
    void run(uint32_t frames) noexcept;

    LV2_State_Status save(LV2_State_Store_Function store, LV2_State_Handle handle) const noexcept;
    LV2_State_Status restore(LV2_State_Retrieve_Function retrieve,
                             LV2_State_Handle handle) noexcept;

    PianoModule& engineModule() noexcept { return *module; }

private:
    void readControls() noexcept;

    std::unique_ptr<PianoModule> module;
    const LV2_URID_Map* map = nullptr;
    LV2_URID midiEvent = 0;
    LV2_URID chunkKey = 0;
    LV2_URID chunkType = 0;
    const LV2_Atom_Sequence* events = nullptr;
    float* left = nullptr;
    float* right = nullptr;
    std::array<const float*, Lv2Ports::kControlCount> controls{};
    // The control values last applied; NaN until the first block applies every control.
    std::array<float, Lv2Ports::kControlCount> applied{};
};
