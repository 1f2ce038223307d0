#include "TestHost.h"

#include "SharedLibrary.h"

intptr_t TestHost::versionAnswer = 2400;
std::vector<TestHost::Request> TestHost::requests;

TestHost::TestHost() : library(std::make_unique<SharedLibrary>(ORVANE_PLUGIN_PATH)) {
    requests.clear();
    versionAnswer = 2400;
}

TestHost::~TestHost() {
    close();
}

bool TestHost::loaded() const {
    return library->isLoaded();
}

vst2::AEffect* (*TestHost::entry(const char* name) const)(vst2::audioMasterCallback) {
    using Entry = vst2::AEffect* (*)(vst2::audioMasterCallback);
    return reinterpret_cast<Entry>(library->symbol(name));
}

vst2::AEffect* TestHost::open(const char* entryName) {
    close();
    const auto create = entry(entryName);
    plugin = create != nullptr ? create(callback) : nullptr;
    return plugin;
}

intptr_t TestHost::close() {
    if (plugin == nullptr) {
        return 0;
    }
    const intptr_t answer = plugin->dispatcher(plugin, vst2::effClose, 0, 0, nullptr, 0.0f);
    plugin = nullptr;
    return answer;
}

intptr_t TestHost::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                            float opt) const {
    return plugin->dispatcher(plugin, opcode, index, value, ptr, opt);
}

std::string TestHost::text(int32_t opcode, int32_t index) const {
    char buffer[256] = {};
    dispatch(opcode, index, 0, buffer);
    return buffer;
}

intptr_t TestHost::callback(vst2::AEffect*, int32_t opcode, int32_t index, intptr_t value, void*,
                            float opt) {
    requests.push_back({opcode, index, value, opt});
    return opcode == vst2::audioMasterVersion ? versionAnswer : 0;
}
