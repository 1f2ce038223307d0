#include "Renderer.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

#include "FactoryPresets.h"
#include "LevelMeter.h"
#include "MidiFile.h"
#include "MidiFileError.h"
#include "PendingFile.h"
#include "PluginHost.h"
#include "ProgressBar.h"
#include "SharedLibrary.h"
#include "TempoMap.h"
#include "ToolError.h"
#include "ToolPlatform.h"
#include "WavWriter.h"

std::atomic<bool> Renderer::stopRequested{false};

namespace {

constexpr size_t kMaxStateSize = 1u << 20;
// After a reset the instrument's output level glides up from silence, g += (target - g) s per
// sample, time constant 22.7 ms (s = 0.001 at 44.1 kHz). The glide stops for good once a step
// is less than half a float step of g, 3e-5 below the target: at most 10300 samples after the
// reset at 44.1 kHz (0.23 s), 0.22 s at 96 kHz. Below 44 kHz the engine keeps the step it has
// at 44 kHz, per sample, so the warm-up never has fewer than 22050 frames.
constexpr double kWarmUpSeconds = 0.5;
constexpr int64_t kMinWarmUpFrames = 22050;
// A WAV file's sizes are 32-bit: the data chunk must stay below 4 GiB.
constexpr uint64_t kMaxWavData = 0xFFFFFFFFull - 4096;

bool isFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

std::string trim(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return "";
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string decibels(double db) {
    if (!std::isfinite(db)) {
        return "  -inf";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%6.2f", db);
    return text;
}

int bytesPerSample(SampleFormat format) {
    switch (format) {
        case SampleFormat::Pcm16:
            return 2;
        case SampleFormat::Pcm24:
            return 3;
        case SampleFormat::Float32:
            break;
    }
    return 4;
}

std::vector<uint8_t> readStateFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw ToolError("cannot read state file " + path + ": " + std::strerror(errno));
    }
    std::vector<uint8_t> bytes;
    char buffer[4096];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes.insert(bytes.end(), buffer, buffer + in.gcount());
        if (bytes.size() > kMaxStateSize) {
            throw ToolError("state file " + path + " is too large (more than 1 MiB)");
        }
    }
    if (in.bad()) {
        throw ToolError("cannot read state file " + path + ": " + std::strerror(errno));
    }
    if (bytes.empty()) {
        throw ToolError("state file " + path + " is empty (or not a file)");
    }
    return bytes;
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    bool good = file != nullptr;
    if (good) {
        good = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        good = std::fclose(file) == 0 && good;
    }
    if (!good) {
        throw ToolError("cannot write " + path + ": " + std::strerror(errno));
    }
}

}  // namespace

Renderer::Renderer(RenderOptions renderOptions) : options(std::move(renderOptions)) {}

std::string Renderer::pluginFileName() {
    return std::string("orvane-piano") + SharedLibrary::fileSuffix();
}

std::string Renderer::defaultPluginPath() {
    std::string directory = ToolPlatform::executablePath();
    const size_t slash = directory.rfind('/');
    if (slash == std::string::npos) {
        return "";
    }
    directory.erase(slash);
    const std::string file = pluginFileName();
    // Beside the tool, the build tree, then where make install puts the two: PREFIX/bin with
    // PREFIX/lib/vst, and ~/.local/bin with ~/.vst.
    for (const std::string& candidate :
         {directory + "/" + file, directory + "/../plugin/" + file,
          directory + "/../lib/vst/" + file, directory + "/../../.vst/" + file}) {
        if (isFile(candidate)) {
            return candidate;
        }
    }
    return "";
}

std::string Renderer::pluginPath() const {
    if (!options.pluginPath.empty()) {
        return options.pluginPath;
    }
    const std::string found = defaultPluginPath();
    if (found.empty()) {
        throw ToolError("cannot find the plug-in " + pluginFileName() +
                        " beside orvane-render or where make install puts it; use --plugin PATH");
    }
    return found;
}

std::vector<ScheduledEvent> Renderer::scheduleFile(const std::string& path, uint32_t rate) {
    try {
        const MidiFile midi = MidiFile::load(path);
        const TempoMap tempo(midi.division(), midi.tempoChanges());
        std::vector<ScheduledEvent> events;
        events.reserve(midi.events().size());
        for (const MidiEvent& e : midi.events()) {
            events.push_back(ScheduledEvent{tempo.frameAt(e.tick, rate), e});
        }
        return events;
    } catch (const MidiFileError& e) {
        throw ToolError(path + ": " + e.what());
    }
}

int64_t Renderer::renderLength(int64_t lastFrame, double tailSeconds, uint32_t rate) {
    const auto tail = static_cast<int64_t>(std::llround(tailSeconds * rate));
    if (lastFrame < 0) {
        return tail;
    }
    return lastFrame + std::max<int64_t>(tail, 1);
}

void Renderer::setUp(PluginHost& host) const {
    if (const FactoryPresets::Preset* preset = FactoryPresets::find(options.preset)) {
        if (host.parameterCount() <= FactoryPresets::kSlotCount) {
            throw ToolError("the plug-in has no slots for the preset \"" + options.preset + "\"");
        }
        for (int32_t slot = 1; slot <= FactoryPresets::kSlotCount; ++slot) {
            host.setParameter(slot, FactoryPresets::hostValue(*preset, slot));
        }
    }
    loadState(host);
    sendParameters(host);
}

int Renderer::listPresets() {
    for (const FactoryPresets::Preset& preset : FactoryPresets::kAll) {
        std::printf("%-10s %s\n", preset.name, preset.purpose);
    }
    return 0;
}

void Renderer::loadState(PluginHost& host) const {
    if (options.stateFile.empty()) {
        return;
    }
    const std::vector<uint8_t> state = readStateFile(options.stateFile);
    if (!host.usesChunks()) {
        throw ToolError("the plug-in does not keep its state in a chunk; cannot use --state");
    }
    host.setChunk(state);
}

void Renderer::sendParameters(PluginHost& host) const {
    std::vector<std::string> names;
    for (int i = 0; i < host.parameterCount(); ++i) {
        names.push_back(host.parameterName(i));
    }
    std::vector<int> indices;
    for (const ParameterSetting& setting : options.parameters) {
        const auto found = std::find(names.begin(), names.end(), setting.name);
        if (found == names.end()) {
            std::string valid;
            for (const std::string& name : names) {
                if (!name.empty()) {
                    valid += (valid.empty() ? "\"" : ", \"") + name + "\"";
                }
            }
            throw ToolError("unknown parameter \"" + setting.name + "\"; valid names: " + valid);
        }
        indices.push_back(static_cast<int>(found - names.begin()));
    }
    for (size_t i = 0; i < indices.size(); ++i) {
        host.setParameter(indices[i], options.parameters[i].value);
    }
}

int Renderer::listParameters() {
    PluginHost host(pluginPath(), options.sampleRate, options.blockSize, kMaxEventsPerBlock);
    setUp(host);
    std::printf("%s: %d parameters\n", host.effectName().c_str(), host.parameterCount());
    std::printf("%5s  %-16s %-8s %-5s %s\n", "index", "name", "display", "unit", "value");
    for (int i = 0; i < host.parameterCount(); ++i) {
        std::printf("%5d  %-16s %-8s %-5s %.4f\n", i, host.parameterName(i).c_str(),
                    trim(host.parameterDisplay(i)).c_str(), trim(host.parameterLabel(i)).c_str(),
                    double(host.parameter(i)));
    }
    return 0;
}

int Renderer::run() {
    const uint32_t rate = options.sampleRate;
    std::vector<ScheduledEvent> events = scheduleFile(options.input, rate);
    const int64_t lastFrame = events.empty() ? -1 : events.back().frame;
    const int64_t total = renderLength(lastFrame, options.tailSeconds, rate);
    if (uint64_t(total) * 2 * uint64_t(bytesPerSample(options.format)) > kMaxWavData) {
        throw ToolError("the render would last " + std::to_string(total / rate) +
                        " s, more than a WAV file can hold");
    }

    PluginHost host(pluginPath(), rate, options.blockSize, kMaxEventsPerBlock);
    setUp(host);

    PendingFile wavFile(options.output);
    std::optional<PendingFile> stateFile;
    if (!options.saveStateFile.empty()) {
        stateFile.emplace(options.saveStateFile);
        if (!host.usesChunks()) {
            throw ToolError("the plug-in does not keep its state in a chunk; cannot --save-state");
        }
    }
    WavWriter writer(wavFile.temporaryPath(), rate, 2, options.format);

    // The plug-in's buffers: every output it declares (at least two) and its inputs, silent.
    const size_t blockFrames = static_cast<size_t>(options.blockSize);
    const int outputs = std::max(host.outputCount(), 2);
    const int inputs = std::max(host.inputCount(), 1);
    std::vector<std::vector<float>> outputBuffers(outputs, std::vector<float>(blockFrames));
    std::vector<std::vector<float>> inputBuffers(inputs, std::vector<float>(blockFrames));
    std::vector<float*> outputPointers;
    std::vector<float*> inputPointers;
    for (auto& b : outputBuffers) {
        outputPointers.push_back(b.data());
    }
    for (auto& b : inputBuffers) {
        inputPointers.push_back(b.data());
    }
    const float* right = host.outputCount() >= 2 ? outputBuffers[1].data()
                                                 : outputBuffers[0].data();  // mono: both sides
    std::vector<float> interleaved(2 * blockFrames);

    BlockScheduler scheduler(std::move(events), total, options.blockSize, kMaxEventsPerBlock);
    ProgressBar bar(stderr, !options.quiet && ToolPlatform::isTerminal(stderr), total, rate);
    LevelMeter meter;

    host.resume();
    if (options.warmUp) {
        // Silent blocks, discarded, so the file starts as it would in a running host.
        int64_t warmUp = std::max<int64_t>(std::llround(kWarmUpSeconds * rate), kMinWarmUpFrames);
        while (warmUp > 0) {
            const int frames = static_cast<int>(std::min<int64_t>(warmUp, options.blockSize));
            host.renderBlock(nullptr, 0, 0, inputPointers.data(), outputPointers.data(), frames);
            warmUp -= frames;
        }
    }
    const auto started = std::chrono::steady_clock::now();
    Block block;
    while (scheduler.next(block)) {
        if (stopRequested.load()) {
            throw ToolError("interrupted; no output written", 130);
        }
        host.renderBlock(scheduler.events().data() + block.firstEvent, block.eventCount,
                         block.start, inputPointers.data(), outputPointers.data(), block.frames);
        const float* left = outputBuffers[0].data();
        for (int i = 0; i < block.frames; ++i) {
            interleaved[2 * i] = left[i];
            interleaved[2 * i + 1] = right[i];
        }
        meter.add(interleaved.data(), block.frames);
        writer.write(interleaved.data(), block.frames);
        bar.update(block.start + block.frames);
    }
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - started;
    host.suspend();
    bar.finish();
    writer.close();

    if (stateFile) {
        const std::vector<uint8_t> state = host.chunk();
        if (state.empty()) {
            throw ToolError("the plug-in gave no state chunk to save");
        }
        writeFile(stateFile->temporaryPath(), state);
    }
    wavFile.commit();
    if (stateFile) {
        stateFile->commit();
    }

    if (meter.nonFiniteSamples() > 0) {
        std::fprintf(stderr,
                     "orvane-render: warning: the plug-in produced %lld samples that "
                     "were not finite numbers; they were written as 0\n",
                     static_cast<long long>(meter.nonFiniteSamples()));
    }
    if (meter.samplesOverFullScale() > 0 && options.format != SampleFormat::Float32) {
        std::fprintf(stderr, "orvane-render: warning: %lld samples clipped at full scale\n",
                     static_cast<long long>(meter.samplesOverFullScale()));
    }
    if (!options.quiet) {
        const double seconds = double(total) / rate;
        std::printf("%s -> %s\n", options.input.c_str(), options.output.c_str());
        std::printf("  length  %.3f s (%lld frames at %u Hz, stereo, %s)\n", seconds,
                    static_cast<long long>(total), rate, WavWriter::describe(options.format));
        std::printf("  peak    left %s dBFS   right %s dBFS\n", decibels(meter.peakDb(0)).c_str(),
                    decibels(meter.peakDb(1)).c_str());
        std::printf("  RMS     left %s dBFS   right %s dBFS\n", decibels(meter.rmsDb(0)).c_str(),
                    decibels(meter.rmsDb(1)).c_str());
        std::printf("  speed   %.1f x real time\n",
                    wall.count() > 0.0 ? seconds / wall.count() : 0.0);
    }
    return 0;
}
