#pragma once

#include <cstdint>
#include <string>

// What the editor needs of the engine module's parameters, by host parameter number
// (1 .. parameterCount() - 1; slot 0 holds none). The engine module implements it.
class ParameterAccess {
public:
    virtual ~ParameterAccess() = default;

    virtual int32_t parameterCount() const = 0;
    virtual bool hasParameter(int32_t n) const = 0;
    virtual std::string parameterName(int32_t n) const = 0;
    virtual int32_t parameterStepCount(int32_t n) const = 0;
    // The current step.
    virtual int32_t parameterValue(int32_t n) const = 0;
    // The real value of the current step.
    virtual float parameterRealValue(int32_t n) const = 0;
    // The display text of a step (up to 255 characters) and the unit (up to 31).
    virtual std::string parameterText(int32_t n, int32_t step) const = 0;
    virtual std::string parameterUnit(int32_t n) const = 0;
    // Sets the step with notification of the module (the audio thread picks it up).
    virtual void setParameterValue(int32_t n, int32_t step) = 0;
    // Reports an edit to the host (automation).
    virtual void notifyHost(int32_t n) = 0;
};
