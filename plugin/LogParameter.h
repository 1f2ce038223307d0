#pragma once

#include "Parameter.h"

// A parameter spread evenly over decades: x = min * 10^(s * decades / N), kept to two
// significant digits (three for 100 and 101), so the steps read as round numbers.
class LogParameter : public Parameter {
public:
    LogParameter(const char* name, const char* shortName, const char* unit, float minimum,
                 float maximum, int32_t steps, ParameterOwner* owner, bool showSign);

    float realValueAt(int32_t s) const noexcept override;
    void formatValue(char* text, int32_t maxLength, int32_t s) noexcept override;

protected:
    std::optional<float> stepPosition(float r) const noexcept override;

private:
    float minimum;
    float maximum;
    float decades;  // log10(maximum / minimum)
};
