#include "SharedLibrary.h"

#include <dlfcn.h>

const char* SharedLibrary::fileSuffix() {
    return ".so";
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
