// orvane-shot [--param NAME=VALUE]... OUT.png
//
// Creates the plug-in through its entry point, sets the given parameters (NAME as the plug-in
// reports it, VALUE the host's normalised value 0..1), opens the editor on the off-screen
// window host, lets it idle, and writes the 600 x 246 picture it shows to OUT.png (8-bit RGB).
// Errors give one line on stderr, exit code 1 and no output file.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "Application.h"
#include "FrameworkStartup.h"
#include "Image.h"
#include "OffscreenDisplay.h"
#include "OffscreenWindowHost.h"
#include "PianoPlugin.h"
#include "PngWriter.h"
#include "vst2/Vst2Abi.h"

namespace {

struct Options {
    std::vector<std::pair<std::string, float>> parameters;
    std::string output;
};

void usage(FILE* to) {
    std::fputs(
        "usage: orvane-shot [--param NAME=VALUE]... OUT.png\n"
        "  Opens the editor off screen and writes what it shows to OUT.png.\n"
        "  --param NAME=VALUE  set a parameter (its name as the plug-in reports it, e.g.\n"
        "                      \"Bell Volume\") to the host value VALUE in 0..1 first\n",
        to);
}

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "orvane-shot: %s\n", message.c_str());
    std::exit(1);
}

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            usage(stdout);
            std::exit(0);
        }
        if (arg == "--param") {
            if (i + 1 >= argc) {
                fail("--param needs NAME=VALUE");
            }
            const std::string setting = argv[++i];
            const size_t equals = setting.rfind('=');
            if (equals == std::string::npos || equals == 0) {
                fail("--param needs NAME=VALUE, got \"" + setting + "\"");
            }
            const std::string number = setting.substr(equals + 1);
            char* end = nullptr;
            errno = 0;
            const float value = std::strtof(number.c_str(), &end);
            if (number.empty() || *end != '\0' || errno != 0 || !std::isfinite(value) ||
                value < 0.0f || value > 1.0f) {
                fail("the value of " + setting.substr(0, equals) +
                     " must be a number in 0..1, got \"" + number + "\"");
            }
            options.parameters.emplace_back(setting.substr(0, equals), value);
        } else if (!arg.empty() && arg[0] == '-') {
            fail("unknown option " + arg + " (try --help)");
        } else if (options.output.empty()) {
            options.output = arg;
        } else {
            fail("only one output file, got \"" + options.output + "\" and \"" + arg + "\"");
        }
    }
    if (options.output.empty()) {
        usage(stderr);
        std::exit(1);
    }
    return options;
}

// Answers the version request as a VST 2.4 host; everything else with 0.
intptr_t hostCallback(vst2::AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == vst2::audioMasterVersion ? 2400 : 0;
}

intptr_t dispatch(vst2::AEffect* effect, int32_t opcode, int32_t index = 0, intptr_t value = 0,
                  void* ptr = nullptr, float opt = 0.0f) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

std::string parameterName(vst2::AEffect* effect, int32_t index) {
    char text[256] = {};
    dispatch(effect, vst2::effGetParamName, index, 0, text);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parse(argc, argv);

    // The off-screen backend must be chosen before the plug-in opens its editor.
    OffscreenDisplay display;
    Application* application = FrameworkStartup::run() ? FrameworkStartup::application() : nullptr;
    if (application == nullptr) {
        fail("the framework did not start");
    }
    application->setWindowHostFactory(display.factory());

    vst2::AEffect* effect = PianoPlugin::createEffect(hostCallback);
    if (effect == nullptr) {
        fail("the plug-in could not be created");
    }
    dispatch(effect, vst2::effOpen);

    for (const auto& [name, value] : options.parameters) {
        int32_t found = -1;
        std::string valid;
        for (int32_t i = 0; i < effect->numParams; ++i) {
            const std::string candidate = parameterName(effect, i);
            if (candidate == name) {
                found = i;
            }
            if (i > 0) {
                valid += (valid.empty() ? "\"" : ", \"") + candidate + "\"";
            }
        }
        if (found <= 0) {
            dispatch(effect, vst2::effClose);
            fail("unknown parameter \"" + name + "\"; valid names: " + valid);
        }
        effect->setParameter(effect, found, value);
    }

    vst2::ERect* rect = nullptr;
    dispatch(effect, vst2::effEditGetRect, 0, 0, &rect);
    const int width = rect != nullptr ? rect->right - rect->left : 0;
    const int height = rect != nullptr ? rect->bottom - rect->top : 0;
    // Any non-null parent is a window to the off-screen display.
    static char parentWindow = 0;
    if (dispatch(effect, vst2::effEditOpen, 0, 0, &parentWindow) != 1) {
        dispatch(effect, vst2::effClose);
        fail("the editor could not be opened");
    }
    // The first idle paints and takes the parameter changes; the second paints them.
    dispatch(effect, vst2::effEditIdle);
    dispatch(effect, vst2::effEditIdle);

    const OffscreenWindowHost* host = display.attachedHost();
    const bool written = host != nullptr && host->frame() != nullptr &&
                         PngWriter::writeFile(*host->frame(), options.output, false);
    dispatch(effect, vst2::effEditClose);
    dispatch(effect, vst2::effClose);
    if (!written) {
        fail("could not write " + options.output);
    }
    std::printf("%s: %d x %d\n", options.output.c_str(), width, height);
    return 0;
}
