#include "ProgressBar.h"

#include <algorithm>

ProgressBar::ProgressBar(std::FILE* stream, bool enabled, int64_t totalFrames, uint32_t sampleRate)
    : out(stream), shown(enabled), total(std::max<int64_t>(totalFrames, 1)), rate(sampleRate) {}

void ProgressBar::update(int64_t framesDone) {
    if (!shown) {
        return;
    }
    const int percent = static_cast<int>(std::min<int64_t>(framesDone * 100 / total, 100));
    const auto now = std::chrono::steady_clock::now();
    if (percent == lastPercent || now - lastDraw < std::chrono::milliseconds(100)) {
        return;
    }
    lastPercent = percent;
    lastDraw = now;
    constexpr int kWidth = 30;
    char bar[kWidth + 1];
    const int filled = percent * kWidth / 100;
    for (int i = 0; i < kWidth; ++i) {
        bar[i] = i < filled ? '#' : '.';
    }
    bar[kWidth] = '\0';
    std::fprintf(out, "\r[%s] %3d%%  %.1f / %.1f s", bar, percent, double(framesDone) / rate,
                 double(total) / rate);
    std::fflush(out);
}

void ProgressBar::finish() {
    if (shown && lastPercent >= 0) {
        std::fprintf(out, "\r\033[K");
        std::fflush(out);
    }
    shown = false;
}
