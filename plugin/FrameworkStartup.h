#pragma once

#include <memory>
#include <mutex>
#include <string>

// The framework's start-up for this module, run once per process however many plug-in objects
// the host creates: it records the application name, the suffix of the resource folder and
// the module's handle (the base address at which the module is loaded) and its file path.
class Application;

// It also makes the framework's application object (image table, default text style, the
// external resource modules of the "Res" folder beside the module).
class FrameworkStartup {
public:
    static constexpr const char* kApplicationName = "Corvale2_VST";
    static constexpr const char* kResourceSuffix = "Res";

    // Any thread: runs the start-up once per process; answers whether it succeeded.
    static bool run() noexcept;

    // GUI thread: the framework's application object; null until run succeeded.
    static Application* application() noexcept;

    ~FrameworkStartup();

private:
    FrameworkStartup() = default;
    static FrameworkStartup& shared() noexcept;
    bool start() noexcept;

    std::once_flag once;
    bool succeeded = false;
    std::string appName;
    std::string resSuffix;
    void* handle = nullptr;
    std::string path;
    std::unique_ptr<Application> app;
};
