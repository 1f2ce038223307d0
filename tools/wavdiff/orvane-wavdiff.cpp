// orvane-wavdiff: compares two audio files sample by sample and prints the largest absolute
// difference, in full-scale units and in dB relative to the first file's peak.
//
//   orvane-wavdiff A.wav B.wav [--max DIFF]
//
// Exit status 0 when the files have the same rate, channels and length and no sample differs by
// more than DIFF (default 0: identical), 1 when they differ more, 2 on a usage or file error.

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Audio {
    int rate = 0;
    int channels = 0;
    std::vector<float> samples;  // interleaved
};

bool load(const char* path, Audio& audio) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path, SFM_READ, &info);
    if (file == nullptr) {
        std::fprintf(stderr, "orvane-wavdiff: cannot read %s: %s\n", path, sf_strerror(nullptr));
        return false;
    }
    audio.rate = info.samplerate;
    audio.channels = info.channels;
    audio.samples.resize(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
    const sf_count_t got = sf_readf_float(file, audio.samples.data(), info.frames);
    sf_close(file);
    if (got != info.frames) {
        std::fprintf(stderr, "orvane-wavdiff: %s ends early\n", path);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    double allowed = 0.0;
    if (argc == 5 && std::string(argv[3]) == "--max") {
        char* end = nullptr;
        allowed = std::strtod(argv[4], &end);
        if (end == argv[4] || *end != '\0' || !(allowed >= 0.0)) {
            argc = 0;
        }
    } else if (argc != 3) {
        argc = 0;
    }
    if (argc == 0) {
        std::fputs("usage: orvane-wavdiff A.wav B.wav [--max DIFF]\n", stderr);
        return 2;
    }
    Audio a;
    Audio b;
    if (!load(argv[1], a) || !load(argv[2], b)) {
        return 2;
    }
    if (a.rate != b.rate || a.channels != b.channels || a.samples.size() != b.samples.size()) {
        std::printf("different formats: %d Hz x %d x %zu samples, %d Hz x %d x %zu samples\n",
                    a.rate, a.channels, a.samples.size(), b.rate, b.channels, b.samples.size());
        return 1;
    }
    double largest = 0.0;
    double peak = 0.0;
    size_t differing = 0;
    size_t at = 0;
    for (size_t i = 0; i < a.samples.size(); ++i) {
        const double d = std::fabs(double(a.samples[i]) - double(b.samples[i]));
        // NaN never compares greater: count it as an infinite difference.
        const double difference = std::isnan(d) ? INFINITY : d;
        differing += difference > 0.0 ? 1 : 0;
        if (difference > largest) {
            largest = difference;
            at = i;
        }
        peak = std::max(peak, std::fabs(double(a.samples[i])));
    }
    const size_t frames = a.samples.size() / static_cast<size_t>(std::max(a.channels, 1));
    std::printf("%zu frames, %d channels: %zu samples differ; largest difference %.3g", frames,
                a.channels, differing, largest);
    if (largest > 0.0 && peak > 0.0) {
        std::printf(" (%.1f dB below the peak, frame %zu)", 20.0 * std::log10(peak / largest),
                    at / static_cast<size_t>(a.channels));
    }
    std::printf("\n");
    return largest <= allowed ? 0 : 1;
}
