#include "SharedLibrary.h"

#include <windows.h>

const char* SharedLibrary::fileSuffix() {
    return ".dll";
}

SharedLibrary::SharedLibrary(const std::string& path) : libraryPath(path) {
    handle = LoadLibraryA(path.c_str());
}

SharedLibrary::~SharedLibrary() {
    if (handle != nullptr) {
        FreeLibrary(static_cast<HMODULE>(handle));
    }
}

void* SharedLibrary::symbol(const char* name) const {
    if (handle == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
