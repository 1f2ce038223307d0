#include "SharedLibrary.h"

#include <dlfcn.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

const char* SharedLibrary::fileSuffix() {
    return ".so";
}

std::vector<std::string> SharedLibrary::listing(const std::string& directory,
                                                const std::string& ending) {
    const std::string tail = ending + fileSuffix();
    std::vector<std::string> paths;
    std::error_code error;
    for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        const std::string file = it->path().filename().string();
        if (file.size() >= tail.size() &&
            file.compare(file.size() - tail.size(), tail.size(), tail) == 0) {
            paths.push_back(it->path().string());
        }
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

SharedLibrary::SharedLibrary(const std::string& path) : libraryPath(path) {
    // dlopen searches the library path for a bare file name; "./" names the file itself.
    const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = dlerror();
        error = why != nullptr ? why : "unknown error";
    }
}

SharedLibrary::~SharedLibrary() {
    if (handle != nullptr) {
        dlclose(handle);
    }
}

void* SharedLibrary::symbol(const char* name) const {
    return handle != nullptr ? dlsym(handle, name) : nullptr;
}
