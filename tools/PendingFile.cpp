#include "PendingFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ToolError.h"

PendingFile::PendingFile(const std::string& finalPath) : destination(finalPath) {
    struct stat info {};
    if (::stat(finalPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        throw ToolError("cannot write " + finalPath + ": it is a directory");
    }
    const size_t slash = finalPath.rfind('/');
    const std::string directory = slash == std::string::npos ? "" : finalPath.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? finalPath : finalPath.substr(slash + 1);
    std::string pattern = directory + "." + base + ".partial-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        throw ToolError("cannot write " + finalPath + ": " + std::strerror(errno));
    }
    // mkstemp makes the file private; the finished file gets the usual permissions.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    ::close(fd);
    temporary = name.data();
}

PendingFile::~PendingFile() {
    if (!committed && !temporary.empty()) {
        ::unlink(temporary.c_str());
    }
}

void PendingFile::commit() {
    if (std::rename(temporary.c_str(), destination.c_str()) != 0) {
        throw ToolError("cannot write " + destination + ": " + std::strerror(errno));
    }
    committed = true;
}
