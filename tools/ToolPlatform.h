#pragma once

#include <string>

// The few operating-system services the command-line tools need beyond the C and C++
// libraries. Each platform folder implements them (posix/, win32/).
class ToolPlatform {
public:
    // The characters that end a folder name in a path ("/"; Windows takes '\\' too).
    static const char* pathSeparators();
    // Calls onStop on the first interrupt or termination request (Ctrl-C, SIGTERM, SIGHUP, a
    // console closing); a second one ends the program at once. onStop must only set a flag.
    static void catchStopRequests(void (*onStop)());
    // Full path of the running program, or "" when the system does not tell.
    static std::string executablePath();
    // Gives a file made private by mkstemp the permissions a newly created file gets.
    static void grantUsualPermissions(int descriptor);
    // Moves the file `from` to `to`, replacing a file already there in one step. Returns ""
    // on success, else the system's reason.
    static std::string replaceFile(const std::string& from, const std::string& to);
};
