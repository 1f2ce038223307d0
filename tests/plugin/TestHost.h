#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vst2/Vst2Abi.h"

class SharedLibrary;

// A host as a music application is one: it loads the built module with the dynamic loader,
// looks up its entry points and talks to the plug-in only through the effect record.
class TestHost {
public:
    struct Request {
        int32_t opcode;
        int32_t index;
        intptr_t value;
        float opt;
    };

    TestHost();
    ~TestHost();
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    bool loaded() const;
    vst2::AEffect* (*entry(const char* name) const)(vst2::audioMasterCallback);

    // Creates one plug-in through VSTPluginMain (or the named entry); none when refused.
    vst2::AEffect* open(const char* entryName = "VSTPluginMain");
    // effClose; answers the plug-in's answer (0 when nothing was open).
    intptr_t close();
    vst2::AEffect* effect() const { return plugin; }

    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f) const;
    std::string text(int32_t opcode, int32_t index = 0) const;
    float get(int32_t index) const { return plugin->getParameter(plugin, index); }
    void set(int32_t index, float value) const { plugin->setParameter(plugin, index, value); }
    std::string display(int32_t index) const { return text(vst2::effGetParamDisplay, index); }

    // The answer to audioMasterVersion (0 plays a host too old for the plug-in).
    static intptr_t versionAnswer;
    // Every request the plug-in sent, in order.
    static std::vector<Request> requests;

private:
    static intptr_t VST2_CALLBACK callback(vst2::AEffect* effect, int32_t opcode, int32_t index,
                                           intptr_t value, void* ptr, float opt);

    // The platform's loader (dlopen, LoadLibrary) through the framework's shared-library class.
    std::unique_ptr<SharedLibrary> library;
    vst2::AEffect* plugin = nullptr;
};
