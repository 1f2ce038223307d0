#pragma once

#include "Parameter.h"

// A parameter whose real value rises in equal increments: v(s) = (max - min) / N * s + min.
class LinearParameter : public Parameter {
public:
    LinearParameter(const char* name, const char* shortName, const char* unit, float minimum,
                    float maximum, int32_t steps, ParameterOwner* owner, bool showSign);

    float realValueAt(int32_t s) const noexcept override;
    void formatValue(char* text, int32_t maxLength, int32_t s) noexcept override;

protected:
    std::optional<float> stepPosition(float r) const noexcept override;

private:
    float minimum;
    float maximum;
    [[maybe_unused]] int32_t minimumRounded;
    [[maybe_unused]] int32_t maximumRounded;
};
