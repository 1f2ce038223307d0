#include "FrameworkStartup.h"

#include "Application.h"

#if !defined(_WIN32)
#include <dlfcn.h>
#else
#include "win32/ModuleInstance.h"  // platform hook: the DLL entry's instance handle
#endif

namespace {

// An object inside this module: its address identifies the module.
const char moduleMarker = 0;

}  // namespace

FrameworkStartup& FrameworkStartup::shared() noexcept {
    static FrameworkStartup startup;
    return startup;
}

const FrameworkStartup& FrameworkStartup::instance() noexcept {
    return shared();
}

FrameworkStartup::~FrameworkStartup() = default;

Application* FrameworkStartup::application() noexcept {
    FrameworkStartup& startup = shared();
    return startup.succeeded ? startup.app.get() : nullptr;
}

bool FrameworkStartup::run() noexcept {
    FrameworkStartup& startup = shared();
    try {
        std::call_once(startup.once, [&startup] { startup.succeeded = startup.start(); });
    } catch (...) {
        return false;
    }
    return startup.succeeded;
}

bool FrameworkStartup::start() noexcept {
    try {
        appName = kApplicationName;
        resSuffix = kResourceSuffix;
#if !defined(_WIN32)
        Dl_info info{};
        if (dladdr(&moduleMarker, &info) != 0) {
            handle = info.dli_fbase;
            path = info.dli_fname != nullptr ? info.dli_fname : "";
        }
#else
        // Platform hook: the instance handle stored by the DLL entry function, and its file.
        handle = ModuleInstance::handle();
        path = ModuleInstance::path();
#endif
        app =
            std::make_unique<Application>(ApplicationDescriptor{appName, "", resSuffix, "", path});
        return app->start();
    } catch (...) {
        return false;
    }
}
