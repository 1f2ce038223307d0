#pragma once

#include <cstdint>

// Peak and RMS level of a stereo render, per channel, in dB relative to full scale (1.0):
// peak = 20 log10(max |x|), RMS = 20 log10(sqrt(mean x^2)), so a full-scale sine reads 0 dBFS
// peak and -3.01 dBFS RMS. Samples that are not finite are counted, left out of the levels and
// replaced by 0 so that they never reach the file; samples beyond full scale are counted.
class LevelMeter {
public:
    // Measures (and mends) frames of interleaved stereo.
    void add(float* interleaved, int64_t frames);

    double peakDb(int channel) const;
    double rmsDb(int channel) const;
    int64_t frames() const { return frameCount; }
    int64_t nonFiniteSamples() const { return nonFinite; }
    int64_t samplesOverFullScale() const { return overFullScale; }

private:
    float peak[2] = {0.0f, 0.0f};
    double sumOfSquares[2] = {0.0, 0.0};
    int64_t frameCount = 0;
    int64_t nonFinite = 0;
    int64_t overFullScale = 0;
};
