#pragma once

#include <stdexcept>
#include <string>

// A failure that ends orvane-render: a one-line message for the user and the exit status
// (2 for a malformed command line, 1 for everything else).
class ToolError : public std::runtime_error {
public:
    explicit ToolError(const std::string& message, int status = 1)
        : std::runtime_error(message), exitStatus(status) {}
    int exitStatus;
};
