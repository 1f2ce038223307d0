#include "Parameter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "ParameterOwner.h"

namespace {

constexpr size_t kNumberTextSize = 64;

void copyBounded(const std::string& from, char* text, int32_t maxLength) noexcept {
    if (text == nullptr || maxLength < 0) {
        return;
    }
    const size_t n = std::min(from.size(), static_cast<size_t>(maxLength));
    std::memcpy(text, from.data(), n);
    text[n] = '\0';
}

}  // namespace

Parameter::Parameter(const char* name, const char* shortNameText, const char* unitText,
                     int32_t stepCount, ParameterOwner* ownerModule, bool sign)
    : steps(stepCount),
      longName(name != nullptr ? name : ""),
      shortName(shortNameText != nullptr ? shortNameText : ""),
      unit(unitText != nullptr ? unitText : ""),
      owner(ownerModule),
      showSign(sign) {}

void Parameter::setName(const char* text) {
    longName = text != nullptr ? text : "";
}

int32_t Parameter::roundedValue() const noexcept {
    return static_cast<int32_t>(realValue() + 0.5f);
}

void Parameter::setValueFromInt(int32_t v, bool notify) noexcept {
    setRealValue(static_cast<float>(v), notify);
}

void Parameter::setValue(int32_t step, bool notify) noexcept {
    const int32_t s = step > 0 ? std::min(step, steps) : 0;
    if (s == current.load(std::memory_order_relaxed)) {
        return;
    }
    current.store(s, std::memory_order_relaxed);
    if (notify && owner != nullptr) {
        owner->parameterChanged();
    }
}

void Parameter::setRealValue(float r, bool notify) noexcept {
    if (!std::isfinite(r)) {
        return;
    }
    if (steps < 1) {
        setValue(0, notify);
        return;
    }
    if (const std::optional<float> position = stepPosition(r)) {
        setValue(static_cast<int32_t>(*position), notify);
    }
}

float Parameter::normalisedValue() const noexcept {
    return steps < 1 ? 0.0f : static_cast<float>(value()) / static_cast<float>(steps);
}

int32_t Parameter::nearestStep(float r) const noexcept {
    if (!std::isfinite(r)) {
        return value();
    }
    // The first step whose real value reaches v (N + 1 when none does).
    const auto firstReaching = [this](float v) {
        int32_t lo = 0;
        int32_t hi = steps + 1;
        while (lo < hi) {
            const int32_t mid = lo + (hi - lo) / 2;
            if (realValueAt(mid) < v) {
                lo = mid + 1;
            } else {
                hi = mid;
            }
        }
        return lo;
    };
    const int32_t above = std::min(firstReaching(r), std::max(steps, 0));
    if (above == 0) {
        return 0;
    }
    const float high = realValueAt(above);
    const float low = realValueAt(above - 1);
    return firstReaching(r - low <= high - r ? low : high);
}

void Parameter::setNormalisedValue(float v, bool notify) noexcept {
    if (!std::isfinite(v)) {
        return;
    }
    // Clamped before the conversion to an integer.
    const double x = std::floor(static_cast<double>(v) * steps + 0.5);
    setValue(x <= 0.0 ? 0 : x >= steps ? steps : static_cast<int32_t>(x), notify);
}

void Parameter::getShortName(char* text, int32_t maxLength) const noexcept {
    copyBounded(shortName, text, maxLength);
}

void Parameter::setFromText(const char* text, bool notify) noexcept {
    if (text == nullptr) {
        return;
    }
    const char* end = text + std::strlen(text);
    while (text < end && (*text == ' ' || *text == '+')) {
        ++text;
    }
    double v = 0.0;
    const auto [rest, error] = std::from_chars(text, end, v, std::chars_format::general);
    if (error != std::errc() || rest == text) {
        return;
    }
    setRealValue(static_cast<float>(v), notify);
}

void Parameter::getUnit(char* text, int32_t maxLength) const noexcept {
    copyBounded(unit, text, maxLength);
}

void Parameter::printFixed(double v, char* text, size_t size) noexcept {
    const auto [end, error] = std::to_chars(text, text + size - 1, v, std::chars_format::fixed, 6);
    *(error == std::errc() ? end : text) = '\0';
}

void Parameter::clearText(char* text, int32_t maxLength) noexcept {
    if (text != nullptr && maxLength >= 0) {
        text[0] = '\0';
    }
}

void Parameter::surveyDecimals() noexcept {
    int32_t most = 0;
    bool anyNegative = false;
    char number[kNumberTextSize];
    for (int32_t s = 0; s <= steps; ++s) {
        printFixed(realValueAt(s), number, sizeof number);
        anyNegative = anyNegative || std::strchr(number, '-') != nullptr;
        const char* point = std::strchr(number, '.');
        if (point == nullptr) {
            continue;
        }
        for (int32_t d = 1; d <= 3 && point[d] != '\0'; ++d) {
            if (point[d] != '0') {
                most = std::max(most, d);
            }
        }
    }
    decimals = most;
    if (!anyNegative) {
        showSign = false;
    }
    decimalsKnown = true;
}

void Parameter::trimNumber(const char* number, char* text, int32_t maxLength) noexcept {
    std::call_once(surveyOnce, [this] { surveyDecimals(); });
    if (text == nullptr || maxLength < 0) {
        return;
    }
    if (maxLength < 2 || number == nullptr) {
        text[0] = '\0';
        return;
    }
    int32_t n = 0;
    if (showSign && number[0] != '-' && number[0] != '0') {
        text[n++] = '+';
    }
    const char* c = number;
    while (*c != '\0' && *c != '.' && n < maxLength) {
        text[n++] = *c++;
    }
    if (*c == '.' && decimals > 0 && n < maxLength) {
        text[n++] = *c++;
        for (int32_t d = 0; d < decimals && *c != '\0' && n < maxLength; ++d) {
            text[n++] = *c++;
        }
    }
    text[n] = '\0';
}
