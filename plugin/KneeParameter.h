#pragma once

#include "Parameter.h"

// A parameter with two linear segments meeting at the knee: steps 0..K run from the minimum to
// the knee value, steps K..N from the knee value to the maximum, so one half of the travel
// gives fine control below the knee and the other half covers the wide range above it.
class KneeParameter : public Parameter {
public:
    KneeParameter(const char* name, const char* shortName, const char* unit, float minimum,
                  float knee, float maximum, int32_t kneeStep, int32_t steps, ParameterOwner* owner,
                  bool showSign);

    float realValueAt(int32_t s) const noexcept override;
    void formatValue(char* text, int32_t maxLength, int32_t s) noexcept override;

protected:
    std::optional<float> stepPosition(float r) const noexcept override;

private:
    float minimum;
    float knee;
    float maximum;
    [[maybe_unused]] int32_t minimumRounded;
    [[maybe_unused]] int32_t kneeRounded;
    [[maybe_unused]] int32_t maximumRounded;
    int32_t kneeStep;
};
