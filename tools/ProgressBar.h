#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>

// A one-line progress bar on a terminal: "[#######.............]  35%  12.0 / 34.3 s". It
// redraws when the shown percentage changes, at most ten times a second, and erases itself
// at the end. A disabled bar prints nothing.
class ProgressBar {
public:
    ProgressBar(std::FILE* stream, bool enabled, int64_t totalFrames, uint32_t sampleRate);
    ~ProgressBar() { finish(); }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void update(int64_t framesDone);
    // Erases the bar (also when a failed render leaves early, before its error is printed).
    void finish();

private:
    std::FILE* out;
    bool shown;
    int64_t total;
    uint32_t rate;
    int lastPercent = -1;
    std::chrono::steady_clock::time_point lastDraw;
};
