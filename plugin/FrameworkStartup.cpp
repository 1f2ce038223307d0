#include "FrameworkStartup.h"

#include "Application.h"

#include "ModuleInstance.h"

FrameworkStartup& FrameworkStartup::shared() noexcept {
    static FrameworkStartup startup;
    return startup;
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
        // Platform hook: the module's handle (on Windows the DLL entry's instance) and file.
        handle = ModuleInstance::handle();
        path = ModuleInstance::path();
        app =
            std::make_unique<Application>(ApplicationDescriptor{appName, "", resSuffix, "", path});
        return app->start();
    } catch (...) {
        return false;
    }
}
