#include "ToolPlatform.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <vector>

namespace {

void (*stopHandler)() = nullptr;
std::atomic<bool> stopRequested{false};

// Runs on a thread of its own that the system starts for the console event.
BOOL WINAPI onConsoleEvent(DWORD /*event*/) {
    if (stopRequested.exchange(true)) {
        return FALSE;  // the second request: the default handler ends the program
    }
    stopHandler();
    return TRUE;
}

std::string lastErrorText() {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, GetLastError(), 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length > 0 && text != nullptr ? std::string(text, length) : "error";
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
        message.pop_back();
    }
    return message;
}

}  // namespace

void ToolPlatform::catchStopRequests(void (*onStop)()) {
    stopHandler = onStop;
    SetConsoleCtrlHandler(&onConsoleEvent, TRUE);
}

const char* ToolPlatform::pathSeparators() {
    return "/\\";
}

std::string ToolPlatform::executablePath() {
    std::vector<char> path(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return "";
        }
        if (length < path.size()) {
            std::string result(path.data(), length);
            for (char& c : result) {
                c = c == '\\' ? '/' : c;  // the tools build paths with '/', which Windows takes
            }
            return result;
        }
        path.resize(path.size() * 2);  // truncated: try a larger buffer
    }
}

std::string ToolPlatform::createUniqueFile(const std::string& prefix) {
    std::vector<char> name(prefix.begin(), prefix.end());
    name.insert(name.end(), {'X', 'X', 'X', 'X', 'X', 'X', '\0'});
    // The file inherits its folder's access rights; there is nothing to widen.
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        return "";
    }
    ::_close(fd);
    return name.data();
}

int ToolPlatform::openForReading(const std::string& path) {
    return ::_open(path.c_str(), _O_RDONLY | _O_BINARY);
}

bool ToolPlatform::isTerminal(std::FILE* stream) {
    return ::_isatty(::_fileno(stream)) != 0;
}

std::string ToolPlatform::replaceFile(const std::string& from, const std::string& to) {
    // rename() refuses an existing destination on Windows.
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) ==
        0) {
        return lastErrorText();
    }
    return "";
}
