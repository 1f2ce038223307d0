#include "LinearParameter.h"

#include <cmath>

LinearParameter::LinearParameter(const char* name, const char* shortText, const char* unitText,
                                 float minimumValue, float maximumValue, int32_t stepCount,
                                 ParameterOwner* ownerModule, bool sign)
    : Parameter(name, shortText, unitText, stepCount, ownerModule, sign),
      minimum(minimumValue),
      maximum(maximumValue),
      minimumRounded(static_cast<int32_t>(minimumValue + 0.5f)),
      maximumRounded(static_cast<int32_t>(maximumValue + 0.5f)) {}

float LinearParameter::realValueAt(int32_t s) const noexcept {
    if (steps < 1) {
        return minimum;
    }
    return (maximum - minimum) / static_cast<float>(steps) * static_cast<float>(s) + minimum;
}

std::optional<float> LinearParameter::stepPosition(float r) const noexcept {
    if (r < minimum || r > maximum || !(maximum > minimum)) {
        return std::nullopt;
    }
    return (r - minimum) / (maximum - minimum) * static_cast<float>(steps) + 0.5f;
}

void LinearParameter::formatValue(char* text, int32_t maxLength, int32_t s) noexcept {
    if (s < 0 || s > steps) {
        clearText(text, maxLength);
        return;
    }
    // The display works in double precision from the float limits.
    const double v = steps >= 1 ? (static_cast<double>(maximum) - static_cast<double>(minimum)) /
                                          static_cast<double>(steps) * static_cast<double>(s) +
                                      static_cast<double>(minimum)
                                : static_cast<double>(minimum);
    char number[64];
    printFixed(v, number, sizeof number);
    trimNumber(number, text, maxLength);
}
