#pragma once

#include <sys/types.h>

#include <string>

// A virtual X server for the tests: Xvfb started on a free display number (it reports the
// number through a pipe), DISPLAY pointed at it, and the server ended with the tests.
class XvfbServer {
public:
    XvfbServer();
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool isRunning() const { return pid > 0 && !displayName.empty(); }
    const std::string& name() const { return displayName; }

private:
    pid_t pid = -1;
    std::string displayName;
};
