#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ExternalResources.h"
#include "ImageTable.h"
#include "TextStyle.h"

class FrameworkTimer;
class IdleTask;
class Image;
class ResourceRecord;
class TypeFace;
class WindowHost;
class WindowView;

// What the module tells the framework about itself at start-up.
struct ApplicationDescriptor {
    std::string name;            // "Corvale2_VST"
    std::string secondName;      // none
    std::string resourceSuffix;  // "Res": the resource folder beside the module
    std::string resourcePath;    // explicit resource folder; empty: beside the module
    std::string modulePath;      // the module's own file (its instance on this platform)
};

// The framework's application object: the descriptor, the shared image table, the default text
// style, the loaded external resource modules, the fonts, the window-host backend, the one
// off-screen buffer all windows paint through, and the idle step's timers and tasks.
// Everything here is used from the GUI thread only.
class Application {
public:
    using WindowHostFactory = std::function<std::unique_ptr<WindowHost>(WindowView&)>;

    explicit Application(ApplicationDescriptor descriptor);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The start-up work: default text style (size 9, placement 5, standard colour) and the
    // external resource modules of the resource folder. Answers true.
    bool start();
    // Unloads the external modules.
    void shutDown();

    const ApplicationDescriptor& descriptor() const { return appDescriptor; }
    // The descriptor's resource path, or the module's folder + suffix + "/".
    std::string resourceDirectory() const;
    ImageTable& images() { return imageTable; }
    ExternalResources& externals() { return externalModules; }
    const TextStyle& defaultTextStyle() const { return textStyle; }
    // The font of a Type 1 record, read on first use; null when it cannot be read.
    TypeFace* typeFace(const ResourceRecord& record);

    // The platform's window host unless a factory was set (the off-screen host for tests).
    std::unique_ptr<WindowHost> createWindowHost(WindowView& window);
    void setWindowHostFactory(WindowHostFactory factory) { hostFactory = std::move(factory); }

    // The shared off-screen buffer, made anew (display-backed, 32-bit) when smaller than asked.
    Image* offscreenBuffer(int32_t width, int32_t height);

    // Set while any control tracks the mouse.
    bool isTracking() const { return trackingFlag; }
    void setTracking(bool on) { trackingFlag = on; }

    // The idle step: due timers fire, then every running idle task runs once.
    void addTimer(FrameworkTimer* timer);
    void removeTimer(FrameworkTimer* timer);
    void addIdleTask(IdleTask* task);
    void removeIdleTask(IdleTask* task);
    void idleStep();
    void idleStep(uint64_t nowMs);

private:
    ApplicationDescriptor appDescriptor;
    ImageTable imageTable;
    ExternalResources externalModules;
    TextStyle textStyle;
    std::map<std::string, std::unique_ptr<TypeFace>> faces;
    WindowHostFactory hostFactory;
    std::unique_ptr<Image> buffer;
    bool trackingFlag = false;
    std::vector<FrameworkTimer*> timers;
    std::vector<IdleTask*> idleTasks;
};
