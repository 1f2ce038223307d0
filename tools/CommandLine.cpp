#include "CommandLine.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "FactoryPresets.h"
#include "ToolError.h"

namespace {

[[noreturn]] void usageError(const std::string& message) {
    throw ToolError(message, 2);
}

// A whole argument as a finite number, or false.
bool toNumber(const std::string& text, double& value) {
    if (text.empty() || text.find_first_of(" \t\n") != std::string::npos) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && end == text.c_str() + text.size() && std::isfinite(value);
}

bool toWholeNumber(const std::string& text, long long& value) {
    if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ') {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(text.c_str(), &end, 10);
    return errno == 0 && end == text.c_str() + text.size();
}

ParameterSetting parseSetting(const std::string& text) {
    const size_t eq = text.rfind('=');
    if (eq == std::string::npos || eq == 0) {
        usageError("--param expects NAME=VALUE, not \"" + text + "\"");
    }
    ParameterSetting setting;
    setting.name = text.substr(0, eq);
    const std::string valueText = text.substr(eq + 1);
    double value = 0.0;
    if (!toNumber(valueText, value)) {
        usageError("--param \"" + setting.name + "\": \"" + valueText + "\" is not a number");
    }
    if (value < 0.0 || value > 1.0) {
        usageError("--param \"" + setting.name + "\": value " + valueText +
                   " is outside 0..1 (the host's normalised range)");
    }
    setting.value = static_cast<float>(value);
    return setting;
}

}  // namespace

std::string CommandLine::usage() {
    return "usage: orvane-render [options] IN.mid OUT.wav\n"
           "       orvane-render --list-params [--plugin PATH] [--preset NAME] [--state FILE]\n"
           "                     [--param ...]\n"
           "       orvane-render --list-presets\n"
           "Renders a Standard MIDI File (type 0 or 1) through the VST 2.x instrument into a\n"
           "stereo WAV file.\n"
           "  --param NAME=VALUE  set a parameter (name as the plug-in reports it, value 0..1)\n"
           "                      before the first block; repeatable\n"
           "  --rate HZ           sample rate (default 44100)\n"
           "  --block N           frames per host block (default 512)\n"
           "  --tail SECONDS      audio rendered after the last MIDI event (default 2.0)\n"
           "  --format F          float (32-bit float, default), pcm24 or pcm16\n"
           "  --preset NAME       start from a factory preset of the instrument (see\n"
           "                      --list-presets); --state and --param apply after it\n"
           "  --state FILE        load the plug-in's state chunk before rendering\n"
           "  --save-state FILE   save the plug-in's state chunk after rendering\n"
           "  --plugin PATH       the plug-in library (default: the one built or installed with\n"
           "                      this tool)\n"
           "  --no-warm-up        start the file right after the plug-in's reset: the output\n"
           "                      then fades in over the first 0.1 s (by default 0.5 s of\n"
           "                      silence is rendered first and discarded)\n"
           "  --list-params       list the parameters: names, units and current displays\n"
           "  --list-presets      list the factory presets and what each is for\n"
           "  --quiet             no progress bar and no summary\n"
           "  --help              this text\n";
}

RenderOptions CommandLine::parse(const std::vector<std::string>& arguments) {
    RenderOptions options;
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            files.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = argument;
        std::string inlineValue;
        bool hasInlineValue = false;
        if (const size_t eq = argument.find('='); eq != std::string::npos) {
            name = argument.substr(0, eq);
            inlineValue = argument.substr(eq + 1);
            hasInlineValue = true;
        }
        auto flag = [&] {
            if (hasInlineValue) {
                usageError(name + " takes no value");
            }
        };
        auto value = [&]() -> std::string {
            if (hasInlineValue) {
                return inlineValue;
            }
            if (i + 1 >= arguments.size()) {
                usageError(name + " needs a value");
            }
            return arguments[++i];
        };
        if (name == "--param") {
            options.parameters.push_back(parseSetting(value()));
        } else if (name == "--rate") {
            const std::string text = value();
            long long rate = 0;
            if (!toWholeNumber(text, rate) || rate < kMinRate || rate > kMaxRate) {
                usageError("--rate must be a whole number of Hz from " + std::to_string(kMinRate) +
                           " to " + std::to_string(kMaxRate) + ", not \"" + text + "\"");
            }
            options.sampleRate = static_cast<uint32_t>(rate);
        } else if (name == "--block") {
            const std::string text = value();
            long long block = 0;
            if (!toWholeNumber(text, block) || block < 1 || block > kMaxBlock) {
                usageError("--block must be a whole number of frames from 1 to " +
                           std::to_string(kMaxBlock) + ", not \"" + text + "\"");
            }
            options.blockSize = static_cast<int>(block);
        } else if (name == "--tail") {
            const std::string text = value();
            double tail = 0.0;
            if (!toNumber(text, tail) || tail < 0.0 || tail > kMaxTail) {
                usageError("--tail must be a number of seconds from 0 to 3600, not \"" + text +
                           "\"");
            }
            options.tailSeconds = tail;
        } else if (name == "--format") {
            const std::string text = value();
            if (text == "float") {
                options.format = SampleFormat::Float32;
            } else if (text == "pcm24") {
                options.format = SampleFormat::Pcm24;
            } else if (text == "pcm16") {
                options.format = SampleFormat::Pcm16;
            } else {
                usageError("--format must be float, pcm24 or pcm16, not \"" + text + "\"");
            }
        } else if (name == "--preset") {
            options.preset = value();
            if (FactoryPresets::find(options.preset) == nullptr) {
                std::string valid;
                for (const FactoryPresets::Preset& p : FactoryPresets::kAll) {
                    valid += (valid.empty() ? "\"" : ", \"") + std::string(p.name) + "\"";
                }
                usageError("unknown preset \"" + options.preset + "\"; valid names: " + valid);
            }
        } else if (name == "--no-warm-up") {
            flag();
            options.warmUp = false;
        } else if (name == "--state") {
            options.stateFile = value();
        } else if (name == "--save-state") {
            options.saveStateFile = value();
        } else if (name == "--plugin") {
            options.pluginPath = value();
        } else if (name == "--list-params") {
            flag();
            options.listParams = true;
        } else if (name == "--list-presets") {
            flag();
            options.listPresets = true;
        } else if (name == "--quiet") {
            flag();
            options.quiet = true;
        } else if (name == "--help" || name == "-h") {
            flag();
            options.help = true;
        } else {
            usageError("unknown option " + name + " (see --help)");
        }
    }
    if (options.help) {
        return options;
    }
    if (options.listParams || options.listPresets) {
        if (!files.empty()) {
            usageError(std::string(options.listParams ? "--list-params" : "--list-presets") +
                       " takes no files");
        }
        return options;
    }
    if (files.size() != 2) {
        usageError(files.size() < 2 ? "expected IN.mid and OUT.wav (see --help)"
                                    : "too many arguments: expected IN.mid and OUT.wav");
    }
    options.input = files[0];
    options.output = files[1];
    if (options.output == options.input) {
        usageError("the output file would overwrite the MIDI file");
    }
    return options;
}
