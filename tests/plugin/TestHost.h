#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vst2/Vst2Abi.h"

class SharedLibrary;

// A host as a music application is one: it loads the built module with the platform's loader,
// looks up an entry point and talks to the plug-in only through the effect record.
class TestHost {
public:
    TestHost();
    ~TestHost();
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    // Creates one plug-in through the named entry point; none when refused.
    vst2::AEffect* open(const char* entryName = "VSTPluginMain");
    // effClose; answers the plug-in's answer (0 when nothing was open).
    intptr_t close();
    vst2::AEffect* effect() const { return plugin; }

    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f) const {
        return plugin->dispatcher(plugin, opcode, index, value, ptr, opt);
    }
    std::string text(int32_t opcode, int32_t index = 0) const;
    float get(int32_t index) const { return plugin->getParameter(plugin, index); }
    void set(int32_t index, float value) const { plugin->setParameter(plugin, index, value); }
    std::string display(int32_t index) const { return text(vst2::effGetParamDisplay, index); }

    // The answer to audioMasterVersion (0 plays a host too old for the plug-in).
    static intptr_t versionAnswer;
    // The opcode of every request the plug-in sent, in order.
    static std::vector<int32_t> requests;

private:
    std::unique_ptr<SharedLibrary> library;
    vst2::AEffect* plugin = nullptr;
};
