// orvane-render: renders a Standard MIDI File through the VST 2.x instrument into a WAV file.

#include <csignal>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "Renderer.h"
#include "ToolError.h"

namespace {

extern "C" void onSignal(int) {
    Renderer::requestStop();
}

void catchSignals() {
    struct sigaction action {};
    action.sa_handler = onSignal;
    action.sa_flags = SA_RESETHAND;  // a second signal ends the program at once
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
}

}  // namespace

int main(int argc, char** argv) {
    catchSignals();
    try {
        const std::vector<std::string> arguments(argv + 1, argv + argc);
        const RenderOptions options = CommandLine::parse(arguments);
        if (options.help) {
            std::fputs(CommandLine::usage().c_str(), stdout);
            return 0;
        }
        Renderer renderer(options);
        return options.listParams ? renderer.listParameters() : renderer.run();
    } catch (const ToolError& e) {
        std::fprintf(stderr, "orvane-render: %s\n", e.what());
        return e.exitStatus;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "orvane-render: %s\n", e.what());
        return 1;
    }
}
