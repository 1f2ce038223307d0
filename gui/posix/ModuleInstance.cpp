#include "ModuleInstance.h"

#include <dlfcn.h>

namespace {

// An object inside this module: its address identifies the module.
const char moduleMarker = 0;

Dl_info moduleInfo() {
    Dl_info info{};
    if (dladdr(&moduleMarker, &info) == 0) {
        info = Dl_info{};
    }
    return info;
}

}  // namespace

void* ModuleInstance::handle() {
    return moduleInfo().dli_fbase;
}

std::string ModuleInstance::path() {
    const Dl_info info = moduleInfo();
    return info.dli_fname != nullptr ? info.dli_fname : "";
}
