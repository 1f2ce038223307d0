// The LV2 library's one export, lv2_descriptor: the instrument's callbacks around PianoLv2.
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>

#include <cstring>
#include <memory>

#include "PianoLv2.h"

namespace {

PianoLv2* self(LV2_Handle h) {
    return static_cast<PianoLv2*>(h);
}

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*,
                       const LV2_Feature* const* features) {
    try {
        auto plugin = std::make_unique<PianoLv2>(rate, features);
        return plugin->ready() ? plugin.release() : nullptr;
    } catch (...) {
        return nullptr;  // out of memory: no instance
    }
}

void connectPort(LV2_Handle h, uint32_t port, void* data) {
    self(h)->connect(port, data);
}

void activate(LV2_Handle h) {
    self(h)->activate();
}

void run(LV2_Handle h, uint32_t frames) {
    self(h)->run(frames);
}

void cleanup(LV2_Handle h) {
    delete self(h);
}

LV2_State_Status save(LV2_Handle h, LV2_State_Store_Function store, LV2_State_Handle handle,
                      uint32_t, const LV2_Feature* const*) {
    return self(h)->save(store, handle);
}

LV2_State_Status restore(LV2_Handle h, LV2_State_Retrieve_Function retrieve,
                         LV2_State_Handle handle, uint32_t, const LV2_Feature* const*) {
    return self(h)->restore(retrieve, handle);
}

const void* extensionData(const char* uri) {
    static const LV2_State_Interface state = {save, restore};
    return std::strcmp(uri, LV2_STATE__interface) == 0 ? &state : nullptr;
}

const LV2_Descriptor kDescriptor = {
    Lv2Ports::kPluginUri, instantiate, connectPort, activate, run, nullptr, cleanup, extensionData};

}  // namespace

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
