#include "SharedLibrary.h"

#include <dlfcn.h>

const char* SharedLibrary::fileSuffix() {
    return ".so";
}

SharedLibrary::SharedLibrary(const std::string& path) : libraryPath(path) {
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

SharedLibrary::~SharedLibrary() {
    if (handle != nullptr) {
        dlclose(handle);
    }
}

void* SharedLibrary::symbol(const char* name) const {
    return handle != nullptr ? dlsym(handle, name) : nullptr;
}
