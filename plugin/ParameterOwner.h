#pragma once

// Told of every notifying parameter change; the module raises its change counter so that the
// audio thread sends the values to the engine at the start of the next block.
class ParameterOwner {
public:
    virtual ~ParameterOwner() = default;

    // Any thread: a parameter's step changed.
    virtual void parameterChanged() noexcept = 0;
};
