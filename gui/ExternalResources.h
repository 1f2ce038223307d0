#pragma once

#include <memory>
#include <string>
#include <vector>

#include "SharedLibrary.h"

class ExternalRecord;

// The function an external resource module exports: true when it knows the name, with a
// pointer to its resource object stored in *record.
extern "C" {
typedef bool (*GetRessourceFunction)(const char* name, ExternalRecord** record);
}

// Resource modules found beside the instrument: libraries named "*_Res" plus the platform's
// library suffix in the resource folder that export GetRessource, kept in load order.
class ExternalResources {
public:
    ExternalResources();
    ~ExternalResources();
    ExternalResources(const ExternalResources&) = delete;
    ExternalResources& operator=(const ExternalResources&) = delete;

    // Loads every matching library of the directory in the platform's listing order
    // (SharedLibrary::listing); keeps those exporting GetRessource, unloads the others. A
    // missing directory loads nothing. Answers the number of modules kept.
    size_t load(const std::string& directory);
    // Asks the modules in load order; the first one that knows the name wins.
    bool find(const char* name, ExternalRecord** record) const;
    // Unloads every module and empties the list.
    void unloadAll();
    size_t count() const { return modules.size(); }
    const std::string& modulePath(size_t i) const { return modules[i]->path(); }

private:
    std::vector<std::unique_ptr<SharedLibrary>> modules;
};
