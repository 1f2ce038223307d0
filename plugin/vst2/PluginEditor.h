#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "AEffEditor.h"

class PianoModule;
class PianoPlugin;

// The editor the host sees through effEditGetRect, effEditOpen, effEditClose and effEditIdle:
// each call goes on to the engine module, which owns the window and its controls. Parameter
// changes from the host only raise the update flag; the next idle turns it into a refresh of
// every control, so the controls are touched on the GUI thread alone.
class PluginEditor : public AEffEditor {
public:
    PluginEditor(PianoPlugin* effect, PianoModule* module);
    ~PluginEditor() override;

    // GUI thread.
    intptr_t getRect(vst2::ERect** rect) override;
    intptr_t open(void* parent) override;
    void close() override;
    // The window's messages and painting, the framework's timers and idle tasks, then the
    // refresh when the host changed parameters since the last idle.
    void idle() override;
    // Every control takes its parameter's current value.
    void update();
    // Any thread.
    void postUpdate() noexcept override;

    bool updatePending() const noexcept { return updateFlag.load() != 0; }
    PianoPlugin* plugin() const noexcept { return effect; }
    void* window() const noexcept { return systemWindow; }

private:
    PianoPlugin* effect;
    void* systemWindow = nullptr;  // not used by this editor
    std::atomic<int32_t> updateFlag{0};
    PianoModule* module;
    std::unique_ptr<vst2::ERect> rect;
};
