#include "ExternalResources.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

ExternalResources::ExternalResources() = default;

ExternalResources::~ExternalResources() {
    unloadAll();
}

size_t ExternalResources::load(const std::string& directory) {
    const std::string ending = std::string("_Res") + SharedLibrary::fileSuffix();
    std::vector<std::string> candidates;
    std::error_code error;
    for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        const std::string file = it->path().filename().string();
        if (file.size() >= ending.size() &&
            file.compare(file.size() - ending.size(), ending.size(), ending) == 0) {
            candidates.push_back(it->path().string());
        }
    }
    std::sort(candidates.begin(), candidates.end());
    size_t kept = 0;
    for (const std::string& path : candidates) {
        auto library = std::make_unique<SharedLibrary>(path);
        if (library->isLoaded() && library->symbol("GetRessource") != nullptr) {
            modules.push_back(std::move(library));
            ++kept;
        }
    }
    return kept;
}

bool ExternalResources::find(const char* name, ResourceRecord** record) const {
    if (name == nullptr || record == nullptr) {
        return false;
    }
    for (const auto& module : modules) {
        auto getRessource = reinterpret_cast<GetRessourceFunction>(module->symbol("GetRessource"));
        if (getRessource != nullptr && getRessource(name, record)) {
            return true;
        }
    }
    return false;
}

void ExternalResources::unloadAll() {
    modules.clear();
}
