#include "Application.h"

#include <algorithm>
#include <chrono>

#include "FrameworkTimer.h"
#include "IdleTask.h"
#include "Image.h"
#include "ResourceRecord.h"
#include "TypeFace.h"
#include "WindowHost.h"

Application::Application(ApplicationDescriptor descriptor) : appDescriptor(std::move(descriptor)) {}

Application::~Application() {
    shutDown();
}

bool Application::start() {
    textStyle = TextStyle{};
    textStyle.size = 9.0f;
    textStyle.placement = TextStyle::kLeft;
    externalModules.load(resourceDirectory());
    return true;
}

void Application::shutDown() {
    externalModules.unloadAll();
}

std::string Application::resourceDirectory() const {
    if (!appDescriptor.resourcePath.empty()) {
        return appDescriptor.resourcePath;
    }
    const std::string& module = appDescriptor.modulePath;
    const size_t slash = module.find_last_of("/\\");  // platform hook: Windows paths use '\\'
    const std::string folder =
        slash == std::string::npos ? std::string("./") : module.substr(0, slash + 1);
    return folder + appDescriptor.resourceSuffix + "/";
}

TypeFace* Application::typeFace(const ResourceRecord& record) {
    const std::string name = record.name();
    auto it = faces.find(name);
    if (it == faces.end()) {
        it = faces.emplace(name, TypeFace::fromRecord(record)).first;
    }
    return it->second.get();
}

std::unique_ptr<WindowHost> Application::createWindowHost(WindowView& window) {
    if (hostFactory) {
        return hostFactory(window);
    }
    return createPlatformWindowHost(window);
}

Image* Application::offscreenBuffer(int32_t width, int32_t height) {
    if (!buffer || buffer->width() < width || buffer->height() < height) {
        const int32_t w = buffer ? std::max(buffer->width(), width) : width;
        const int32_t h = buffer ? std::max(buffer->height(), height) : height;
        buffer = Image::create(w, h, 32, true);
    }
    return buffer.get();
}

void Application::addTimer(FrameworkTimer* timer) {
    if (timer != nullptr && std::find(timers.begin(), timers.end(), timer) == timers.end()) {
        timers.push_back(timer);
    }
}

void Application::removeTimer(FrameworkTimer* timer) {
    timers.erase(std::remove(timers.begin(), timers.end(), timer), timers.end());
}

void Application::addIdleTask(IdleTask* task) {
    if (task != nullptr && std::find(idleTasks.begin(), idleTasks.end(), task) == idleTasks.end()) {
        idleTasks.push_back(task);
    }
}

void Application::removeIdleTask(IdleTask* task) {
    idleTasks.erase(std::remove(idleTasks.begin(), idleTasks.end(), task), idleTasks.end());
}

void Application::idleStep() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    idleStep(
        static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count()));
}

void Application::idleStep(uint64_t nowMs) {
    // Copies: a timer or task may unregister itself while it runs.
    const std::vector<FrameworkTimer*> dueTimers = timers;
    for (FrameworkTimer* timer : dueTimers) {
        if (timer->running && nowMs - timer->lastFiredMs >= timer->intervalMs) {
            timer->lastFiredMs = nowMs;
            timer->onTimer();
        }
    }
    const std::vector<IdleTask*> tasks = idleTasks;
    for (IdleTask* task : tasks) {
        if (task->running) {
            task->onIdle();
        }
    }
}
