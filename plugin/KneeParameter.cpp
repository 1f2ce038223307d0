#include "KneeParameter.h"

#include <cmath>

KneeParameter::KneeParameter(const char* name, const char* shortText, const char* unitText,
                             float minimumValue, float kneeValue, float maximumValue,
                             int32_t kneeAt, int32_t stepCount, ParameterOwner* ownerModule,
                             bool sign)
    : Parameter(name, shortText, unitText, stepCount, ownerModule, sign),
      minimum(minimumValue),
      knee(kneeValue),
      maximum(maximumValue),
      minimumRounded(static_cast<int32_t>(minimumValue + 0.5f)),
      kneeRounded(static_cast<int32_t>(kneeValue + 0.5f)),
      maximumRounded(static_cast<int32_t>(maximumValue + 0.5f)),
      kneeStep(kneeAt) {}

float KneeParameter::realValueAt(int32_t s) const noexcept {
    if (steps < 1 || kneeStep < 1) {
        return minimum;
    }
    if (s > kneeStep && steps > kneeStep) {
        return (maximum - knee) / static_cast<float>(steps - kneeStep) *
                   static_cast<float>(s - kneeStep) +
               knee;
    }
    return (knee - minimum) / static_cast<float>(kneeStep) * static_cast<float>(s) + minimum;
}

std::optional<float> KneeParameter::stepPosition(float r) const noexcept {
    if (r < minimum || r > maximum) {
        return std::nullopt;
    }
    float position = 0.0f;
    if (r <= knee) {
        if (knee > minimum) {
            position = (r - minimum) / (knee - minimum) * static_cast<float>(kneeStep) + 0.5f;
        }
    } else {
        position = (r - knee) / (maximum - knee) * static_cast<float>(steps - kneeStep) +
                   static_cast<float>(kneeStep) + 0.5f;
    }
    return position;
}

void KneeParameter::formatValue(char* text, int32_t maxLength, int32_t s) noexcept {
    if (s < 0 || s > steps) {
        clearText(text, maxLength);
        return;
    }
    // The display works in double precision from the float limits.
    const double lo = minimum;
    const double mid = knee;
    const double hi = maximum;
    double v = lo;
    if (steps >= 1 && kneeStep >= 1) {
        v = s > kneeStep ? (hi - mid) / static_cast<double>(steps - kneeStep) *
                                   static_cast<double>(s - kneeStep) +
                               mid
                         : (mid - lo) / static_cast<double>(kneeStep) * static_cast<double>(s) + lo;
    }
    char number[64];
    printFixed(v, number, sizeof number);
    trimNumber(number, text, maxLength);
}
