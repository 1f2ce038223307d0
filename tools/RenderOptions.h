#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class SampleFormat { Float32, Pcm24, Pcm16 };

// One --param NAME=VALUE: the parameter's name as the plug-in reports it and the host's
// normalised value, 0..1.
struct ParameterSetting {
    std::string name;
    float value = 0.0f;
};

// Everything the command line of orvane-render says.
struct RenderOptions {
    std::string input;                         // IN.mid
    std::string output;                        // OUT.wav
    std::vector<ParameterSetting> parameters;  // in command-line order
    uint32_t sampleRate = 44100;
    int blockSize = 512;
    double tailSeconds = 2.0;
    SampleFormat format = SampleFormat::Float32;
    std::string preset;         // --preset: a factory preset, set before --state and --param
    std::string stateFile;      // --state: chunk loaded before rendering
    std::string saveStateFile;  // --save-state: chunk saved after rendering
    std::string pluginPath;     // empty: the library built beside the tool
    bool warmUp = true;         // silent blocks before the first frame, discarded
    bool listParams = false;
    bool listPresets = false;
    bool quiet = false;
    bool help = false;
};
