#pragma once

#include <string>
#include <vector>

#include "RenderOptions.h"

// The command line of orvane-render: options anywhere among the two file names, each option's
// value either as the next argument or after '=' (--rate=48000), "--" ending the options.
class CommandLine {
public:
    // Parses the arguments after the program name; throws ToolError (status 2) with a one-line
    // reason when they do not make a valid request.
    static RenderOptions parse(const std::vector<std::string>& arguments);
    static std::string usage();

    static constexpr uint32_t kMinRate = 8000;
    static constexpr uint32_t kMaxRate = 384000;
    static constexpr int kMaxBlock = 65536;
    static constexpr double kMaxTail = 3600.0;
};
