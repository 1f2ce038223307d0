#include "PianoLv2.h"

#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>

#include <cmath>
#include <limits>
#include <string_view>

#include "Parameter.h"
#include "PianoModule.h"

PianoLv2::PianoLv2(double rate, const LV2_Feature* const* features)
    : module(std::make_unique<PianoModule>()) {
    for (const LV2_Feature* const* f = features; f != nullptr && *f != nullptr; ++f) {
        if (std::string_view((*f)->URI) == LV2_URID__map) {
            map = static_cast<const LV2_URID_Map*>((*f)->data);
        }
    }
    if (map != nullptr) {
        midiEvent = map->map(map->handle, LV2_MIDI__MidiEvent);
        chunkKey = map->map(map->handle, Lv2Ports::kChunkKey);
        chunkType = map->map(map->handle, LV2_ATOM__Chunk);
    }
    applied.fill(std::numeric_limits<float>::quiet_NaN());
    // As a VST 2 host brings the plug-in up: made at the default rate, then told the host's.
    module->setChannels(1, 2);
    module->setup();
    module->reset();
    module->setSampleRate(static_cast<float>(rate));
}

PianoLv2::~PianoLv2() = default;

void PianoLv2::connect(uint32_t port, void* data) noexcept {
    if (port == Lv2Ports::kEvents) {
        events = static_cast<const LV2_Atom_Sequence*>(data);
    } else if (port == Lv2Ports::kLeft) {
        left = static_cast<float*>(data);
    } else if (port == Lv2Ports::kRight) {
        right = static_cast<float*>(data);
    } else if (const int32_t slot = Lv2Ports::slotOf(port); slot != 0) {
        controls[static_cast<size_t>(slot - 1)] = static_cast<const float*>(data);
    }
}

void PianoLv2::activate() noexcept {
    module->reset();
}

void PianoLv2::readControls() noexcept {
    for (size_t k = 0; k < controls.size(); ++k) {
        const float* port = controls[k];
        // Only a changed value moves the parameter: a restored state stands until then.
        if (port == nullptr || !std::isfinite(*port) || *port == applied[k]) {
            continue;
        }
        applied[k] = *port;
        if (Parameter* p = module->parameterAt(static_cast<int32_t>(k) + 1)) {
            p->setValue(p->nearestStep(*port), true);
        }
    }
}

void PianoLv2::run(uint32_t frames) noexcept {
    readControls();
    module->setBlockStart(0);
    if (events != nullptr) {
        LV2_ATOM_SEQUENCE_FOREACH(events, ev) {
            if (ev->body.type == midiEvent && ev->time.frames >= 0 &&
                ev->time.frames < static_cast<int64_t>(frames)) {
                module->midiMessage(static_cast<const uint8_t*>(LV2_ATOM_BODY_CONST(&ev->body)),
                                    ev->body.size, 0, static_cast<int>(ev->time.frames));
            }
        }
    }
    module->renderStereo(left, right, static_cast<int32_t>(frames));
}

LV2_State_Status PianoLv2::save(LV2_State_Store_Function store,
                                LV2_State_Handle handle) const noexcept {
    uint8_t chunk[PianoModule::kChunkSize];
    module->writeChunk(chunk);
    return store(handle, chunkKey, chunk, sizeof chunk, chunkType,
                 LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

LV2_State_Status PianoLv2::restore(LV2_State_Retrieve_Function retrieve,
                                   LV2_State_Handle handle) noexcept {
    size_t size = 0;
    uint32_t type = 0;
    uint32_t flags = 0;
    const void* chunk = retrieve(handle, chunkKey, &size, &type, &flags);
    if (chunk == nullptr || type != chunkType) {
        return LV2_STATE_ERR_NO_PROPERTY;
    }
    if (!module->readChunk(chunk, static_cast<intptr_t>(size))) {
        return LV2_STATE_ERR_UNKNOWN;
    }
    // The restored steps stand until a control port changes (never while run is running).
    for (size_t k = 0; k < controls.size(); ++k) {
        if (controls[k] != nullptr) {
            applied[k] = *controls[k];
        }
    }
    return LV2_STATE_SUCCESS;
}
