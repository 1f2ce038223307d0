// orvane-render: renders a Standard MIDI File through the VST 2.x instrument into a WAV file.

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "Renderer.h"
#include "ToolError.h"
#include "ToolPlatform.h"

int main(int argc, char** argv) {
    ToolPlatform::catchStopRequests(&Renderer::requestStop);
    try {
        const std::vector<std::string> arguments(argv + 1, argv + argc);
        const RenderOptions options = CommandLine::parse(arguments);
        if (options.help) {
            std::fputs(CommandLine::usage().c_str(), stdout);
            return 0;
        }
        if (options.listPresets) {
            return Renderer::listPresets();
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
