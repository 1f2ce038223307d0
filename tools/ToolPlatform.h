#pragma once

#include <cstdio>
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
    // Creates a new empty file named `prefix` plus six characters that make the name unique,
    // with the permissions a newly created file gets. Answers its name, or "" with errno set.
    static std::string createUniqueFile(const std::string& prefix);
    // Opens a file for reading its bytes unchanged (no text-mode translation); a descriptor
    // for read() and close(), or -1 with errno set.
    static int openForReading(const std::string& path);
    // Whether the stream writes to a terminal.
    static bool isTerminal(std::FILE* stream);
    // Moves the file `from` to `to`, replacing a file already there in one step. Returns ""
    // on success, else the system's reason.
    static std::string replaceFile(const std::string& from, const std::string& to);
};
