#include "LevelMeter.h"

#include <cmath>
#include <limits>

void LevelMeter::add(float* interleaved, int64_t frames) {
    for (int64_t i = 0; i < frames; ++i) {
        for (int c = 0; c < 2; ++c) {
            float& x = interleaved[2 * i + c];
            if (!std::isfinite(x)) {
                ++nonFinite;
                x = 0.0f;
            }
            const float magnitude = std::fabs(x);
            if (magnitude > 1.0f) {
                ++overFullScale;
            }
            if (magnitude > peak[c]) {
                peak[c] = magnitude;
            }
            sumOfSquares[c] += double(x) * double(x);
        }
    }
    frameCount += frames;
}

double LevelMeter::peakDb(int channel) const {
    if (peak[channel] <= 0.0f) {
        return -std::numeric_limits<double>::infinity();
    }
    return 20.0 * std::log10(double(peak[channel]));
}

double LevelMeter::rmsDb(int channel) const {
    if (frameCount == 0 || sumOfSquares[channel] <= 0.0) {
        return -std::numeric_limits<double>::infinity();
    }
    return 10.0 * std::log10(sumOfSquares[channel] / double(frameCount));
}
