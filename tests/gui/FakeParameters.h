#pragma once

#include <array>
#include <string>
#include <vector>

#include "ParameterAccess.h"

// Eleven parameter slots shaped like the instrument's (slot 0 empty): step counts, the current
// step, a real value 0.75 above it, a display text "s<step>" ("<step + 1>" for parameter 6),
// and a record of the editor's calls.
class FakeParameters : public ParameterAccess {
public:
    int32_t parameterCount() const override { return 11; }
    bool hasParameter(int32_t n) const override { return n >= 1 && n <= 10; }
    std::string parameterName(int32_t n) const override { return prefixed('P', n); }
    int32_t parameterStepCount(int32_t n) const override { return steps[index(n)]; }
    int32_t parameterValue(int32_t n) const override { return values[index(n)]; }
    float parameterRealValue(int32_t n) const override {
        return static_cast<float>(values[index(n)]) + 0.75f;
    }
    std::string parameterText(int32_t n, int32_t step) const override {
        return n == 6 ? std::to_string(step + 1) : prefixed('s', step);
    }
    std::string parameterUnit(int32_t n) const override { return n == 1 ? "%" : ""; }
    void setParameterValue(int32_t n, int32_t step) override {
        sets.push_back({n, step});  // parameter, step
        values[index(n)] = step;
    }
    void notifyHost(int32_t n) override { notified.push_back(n); }

    // A change from the host side: only the step moves.
    void hostSets(int32_t n, int32_t step) { values[index(n)] = step; }

    static std::string prefixed(char prefix, int32_t number) {
        std::string text(1, prefix);  // not "+": GCC 12 warns falsely about that copy
        return text.append(std::to_string(number));
    }

    using Sets = std::vector<std::array<int32_t, 2>>;
    Sets sets;
    std::vector<int32_t> notified;

private:
    static size_t index(int32_t n) { return n >= 0 && n <= 10 ? static_cast<size_t>(n) : 0; }
    std::array<int32_t, 11> steps{0, 100, 100, 100, 100, 100, 72, 100, 120, 100, 18};
    std::array<int32_t, 11> values{0, 50, 50, 50, 50, 100, 19, 50, 0, 0, 18};
};
