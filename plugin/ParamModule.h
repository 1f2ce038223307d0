#pragma once

#include "AudioModule.h"

// The framework's module with host-visible parameters: every parameter is editable.
class ParamModule : public AudioModule {
public:
    int32_t editableParameterCount() const { return parameterCount(); }
};
