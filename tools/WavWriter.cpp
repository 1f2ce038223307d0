#include "WavWriter.h"

#include <sndfile.h>

#include "ToolError.h"

namespace {

int sndfileFormat(SampleFormat format) {
    switch (format) {
        case SampleFormat::Pcm24:
            return SF_FORMAT_WAV | SF_FORMAT_PCM_24;
        case SampleFormat::Pcm16:
            return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        case SampleFormat::Float32:
            break;
    }
    return SF_FORMAT_WAV | SF_FORMAT_FLOAT;
}

}  // namespace

WavWriter::WavWriter(const std::string& filePath, uint32_t sampleRate, int channels,
                     SampleFormat format)
    : path(filePath) {
    SF_INFO info{};
    info.samplerate = static_cast<int>(sampleRate);
    info.channels = channels;
    info.format = sndfileFormat(format);
    file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        throw ToolError("cannot write " + path + ": " + sf_strerror(nullptr));
    }
    if (format != SampleFormat::Float32) {
        sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    }
}

WavWriter::~WavWriter() {
    if (file != nullptr) {
        sf_close(file);
    }
}

void WavWriter::write(const float* interleaved, int64_t frames) {
    if (sf_writef_float(file, interleaved, frames) != frames) {
        throw ToolError("cannot write " + path + ": " + sf_strerror(file));
    }
}

void WavWriter::close() {
    SNDFILE* closing = file;
    file = nullptr;
    if (closing != nullptr && sf_close(closing) != 0) {
        throw ToolError("cannot finish " + path + ": " + sf_strerror(nullptr));
    }
}

const char* WavWriter::describe(SampleFormat format) {
    switch (format) {
        case SampleFormat::Pcm24:
            return "24-bit PCM";
        case SampleFormat::Pcm16:
            return "16-bit PCM";
        case SampleFormat::Float32:
            break;
    }
    return "32-bit float";
}
