#include "AudioModule.h"

#include <cmath>

#include "Parameter.h"

void AudioModule::setSampleRate(float rate) noexcept {
    if (std::isfinite(rate) && rate > 0.0f) {
        hostRate.store(rate, std::memory_order_relaxed);
    }
}

void AudioModule::parameterChanged() noexcept {
    changeCounter.fetch_add(1, std::memory_order_release);
}

void AudioModule::loadDefaults(int32_t index) noexcept {
    if (!defaults) {
        return;
    }
    const int32_t first = index == 0 ? 1 : index;
    const int32_t last = index == 0 ? parameterCount() - 1 : index;
    for (int32_t i = first; i <= last; ++i) {
        if (Parameter* p = parameterAt(i)) {
            p->setRealValue(defaults->valueAt(i), true);
        }
    }
}

void AudioModule::setChannels(int32_t inputs, int32_t outputs) {
    inputChannels = inputs;
    outputChannels = outputs;
}

void AudioModule::setDefaults(std::unique_ptr<ValueTable> table) {
    defaults = std::move(table);
}
