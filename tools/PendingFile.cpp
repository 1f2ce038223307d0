#include "PendingFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "ToolError.h"
#include "ToolPlatform.h"

PendingFile::PendingFile(const std::string& finalPath) : destination(finalPath) {
    struct stat info {};
    if (::stat(finalPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        throw ToolError("cannot write " + finalPath + ": it is a directory");
    }
    const size_t slash = finalPath.find_last_of(ToolPlatform::pathSeparators());
    const std::string directory = slash == std::string::npos ? "" : finalPath.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? finalPath : finalPath.substr(slash + 1);
    temporary = ToolPlatform::createUniqueFile(directory + "." + base + ".partial-");
    if (temporary.empty()) {
        throw ToolError("cannot write " + finalPath + ": " + std::strerror(errno));
    }
}

PendingFile::~PendingFile() {
    if (!committed && !temporary.empty()) {
        std::remove(temporary.c_str());
    }
}

void PendingFile::commit() {
    const std::string why = ToolPlatform::replaceFile(temporary, destination);
    if (!why.empty()) {
        throw ToolError("cannot write " + destination + ": " + why);
    }
    committed = true;
}
