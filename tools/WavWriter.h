#pragma once

#include <cstdint>
#include <string>

#include "RenderOptions.h"

struct sf_private_tag;

// A WAV file written through libsndfile from interleaved 32-bit float frames: stored as 32-bit
// float, or as 24- or 16-bit PCM with samples beyond full scale clipped (not wrapped).
class WavWriter {
public:
    // Creates the file; throws ToolError when libsndfile cannot.
    WavWriter(const std::string& path, uint32_t sampleRate, int channels, SampleFormat format);
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // Appends frames of interleaved samples; throws ToolError on a write failure.
    void write(const float* interleaved, int64_t frames);
    // Finishes the header and closes the file; throws ToolError when that fails.
    void close();

    static const char* describe(SampleFormat format);

private:
    std::string path;
    sf_private_tag* file = nullptr;
};
