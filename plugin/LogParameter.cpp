#include "LogParameter.h"

#include <cmath>

LogParameter::LogParameter(const char* name, const char* shortText, const char* unitText,
                           float minimumValue, float maximumValue, int32_t stepCount,
                           ParameterOwner* ownerModule, bool sign)
    : Parameter(name, shortText, unitText, stepCount, ownerModule, sign),
      minimum(minimumValue),
      maximum(maximumValue),
      decades(std::log10(maximumValue / minimumValue)) {}

float LogParameter::realValueAt(int32_t s) const noexcept {
    if (steps < 1) {
        return minimum;
    }
    const float exponent = static_cast<float>(s) * decades / static_cast<float>(steps);
    double x = static_cast<double>(minimum) * std::pow(10.0, static_cast<double>(exponent));
    if (!(x > 0.0) || !std::isfinite(x)) {
        return minimum;
    }
    // Scale x into [10, 101] and keep its integer part: two significant digits.
    double scale = 1.0;
    while (x > 101.0) {
        x *= 0.1;
        scale *= 10.0;
    }
    while (x < 10.0) {
        x *= 10.0;
        scale *= 0.1;
    }
    return static_cast<float>(std::floor(x) * scale);
}

std::optional<float> LogParameter::stepPosition(float r) const noexcept {
    if (r < minimum || r > maximum || !(decades > 0.0f)) {
        return std::nullopt;
    }
    return std::log10(r / minimum) * static_cast<float>(steps) / decades + 0.5f;
}

void LogParameter::formatValue(char* text, int32_t maxLength, int32_t s) noexcept {
    if (steps < 1 || s < 0 || s > steps) {
        clearText(text, maxLength);
        return;
    }
    char number[64];
    printFixed(realValueAt(s), number, sizeof number);
    trimNumber(number, text, maxLength);
}
