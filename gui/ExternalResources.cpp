#include "ExternalResources.h"

ExternalResources::ExternalResources() = default;

ExternalResources::~ExternalResources() {
    unloadAll();
}

size_t ExternalResources::load(const std::string& directory) {
    size_t kept = 0;
    for (const std::string& path : SharedLibrary::listing(directory, "_Res")) {
        auto library = std::make_unique<SharedLibrary>(path);
        if (library->isLoaded() && library->symbol("GetRessource") != nullptr) {
            modules.push_back(std::move(library));
            ++kept;
        }
    }
    return kept;
}

bool ExternalResources::find(const char* name, ExternalRecord** record) const {
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
