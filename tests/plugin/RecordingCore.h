#pragma once

#include <array>
#include <vector>

#include "FloatingPointEnvironment.h"
#include "PianoCore.h"

// An engine core that remembers every parameter application it receives (and whether denormals
// were being flushed at the time) before applying it as usual.
class RecordingCore : public PianoCore {
public:
    struct Application {
        std::array<float, kValueCount> values;
        int32_t selector;
        bool flushing;
    };

    explicit RecordingCore(std::vector<Application>& log) : applications(log) {
        applications.reserve(64);
    }

    int applyParameters(const float (&values)[kValueCount], int32_t selector) noexcept override {
        Application a{};
        std::copy(values, values + kValueCount, a.values.begin());
        a.selector = selector;
        a.flushing = FloatingPointEnvironment::flushesDenormals();
        applications.push_back(a);
        return PianoCore::applyParameters(values, selector);
    }

private:
    std::vector<Application>& applications;
};
