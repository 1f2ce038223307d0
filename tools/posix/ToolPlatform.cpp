#include "ToolPlatform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

void (*stopHandler)() = nullptr;

extern "C" void onSignal(int) {
    stopHandler();
}

}  // namespace

void ToolPlatform::catchStopRequests(void (*onStop)()) {
    stopHandler = onStop;
    struct sigaction action {};
    action.sa_handler = onSignal;
    action.sa_flags = SA_RESETHAND;  // a second signal ends the program at once
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
}

const char* ToolPlatform::pathSeparators() {
    return "/";
}

std::string ToolPlatform::executablePath() {
    char self[4096];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) {
        return "";
    }
    return std::string(self, static_cast<size_t>(length));
}

std::string ToolPlatform::createUniqueFile(const std::string& prefix) {
    std::vector<char> name(prefix.begin(), prefix.end());
    name.insert(name.end(), {'X', 'X', 'X', 'X', 'X', 'X', '\0'});
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        return "";
    }
    // mkstemp makes the file private; it gets the permissions any new file would.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    ::close(fd);
    return name.data();
}

int ToolPlatform::openForReading(const std::string& path) {
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
}

bool ToolPlatform::isTerminal(std::FILE* stream) {
    return ::isatty(::fileno(stream)) != 0;
}

std::string ToolPlatform::replaceFile(const std::string& from, const std::string& to) {
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        return std::strerror(errno);
    }
    return "";
}
