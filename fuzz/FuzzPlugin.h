#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "Application.h"
#include "FrameworkStartup.h"
#include "OffscreenDisplay.h"
#include "PianoPlugin.h"
#include "vst2/Vst2Abi.h"

// One plug-in for one fuzz input, made through the entry point and driven through its effect
// record. The framework's windows open on an in-memory screen, so the editor works without a
// display. Output blocks are checked: a sample that is not finite is a fault of the instrument
// whatever the host sent, and aborts the run.
class FuzzPlugin {
public:
    static constexpr int kMaxFrames = 2048;

    FuzzPlugin() {
        static OffscreenDisplay* display = [] {
            auto* d = new OffscreenDisplay();  // outlives the framework
            FrameworkStartup::run();
            if (Application* app = FrameworkStartup::application()) {
                app->setWindowHostFactory(d->factory());
            }
            return d;
        }();
        (void)display;
        effect = PianoPlugin::createEffect(callback);
        if (effect == nullptr) {
            std::abort();
        }
    }
    ~FuzzPlugin() { effect->dispatcher(effect, vst2::effClose, 0, 0, nullptr, 0.0f); }
    FuzzPlugin(const FuzzPlugin&) = delete;
    FuzzPlugin& operator=(const FuzzPlugin&) = delete;

    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f) {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }

    // Renders frames (at most kMaxFrames) and checks every sample.
    void render(int frames) {
        float* outputs[2] = {left, right};
        effect->processReplacing(effect, nullptr, outputs, frames);
        for (int i = 0; i < frames; ++i) {
            if (!std::isfinite(left[i]) || !std::isfinite(right[i])) {
                std::abort();
            }
        }
    }

    vst2::AEffect* effect = nullptr;

private:
    static intptr_t callback(vst2::AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
        return opcode == vst2::audioMasterVersion ? 2400 : 0;
    }

    float left[kMaxFrames] = {};
    float right[kMaxFrames] = {};
};
