#include "TestHost.h"

#include "SharedLibrary.h"

intptr_t TestHost::versionAnswer = 2400;
std::vector<int32_t> TestHost::requests;

namespace {

intptr_t VST2_CALLBACK callback(vst2::AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    TestHost::requests.push_back(opcode);
    return opcode == vst2::audioMasterVersion ? TestHost::versionAnswer : 0;
}

}  // namespace

TestHost::TestHost() : library(std::make_unique<SharedLibrary>(ORVANE_PLUGIN_PATH)) {
    requests.clear();
    versionAnswer = 2400;
}

TestHost::~TestHost() {
    close();
}

vst2::AEffect* TestHost::open(const char* entryName) {
    close();
    using Entry = vst2::AEffect* (*)(vst2::audioMasterCallback);
    const auto create = reinterpret_cast<Entry>(library->symbol(entryName));
    plugin = create != nullptr ? create(callback) : nullptr;
    return plugin;
}

intptr_t TestHost::close() {
    const intptr_t answer = plugin != nullptr ? dispatch(vst2::effClose) : 0;
    plugin = nullptr;
    return answer;
}

std::string TestHost::text(int32_t opcode, int32_t index) const {
    char buffer[256] = {};
    dispatch(opcode, index, 0, buffer);
    return buffer;
}
