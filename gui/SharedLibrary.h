#pragma once

#include <string>
#include <vector>

// A loaded shared library (an external resource module), unloaded when this object goes.
// The platform folder implements it (dlopen on Linux).
class SharedLibrary {
public:
    // File-name ending of a loadable library on this platform (".so").
    static const char* fileSuffix();
    // Paths of the files in directory whose names end in `ending` plus fileSuffix(), in the
    // platform's listing order. Windows matches the pattern "*" + ending + ".dll" as the system
    // does (without regard to case) and keeps the order the system lists the files in; POSIX
    // matches exactly and sorts by name (a directory's own order is arbitrary there). A missing
    // directory lists nothing.
    static std::vector<std::string> listing(const std::string& directory,
                                            const std::string& ending);

    // Loads the library at path; isLoaded() tells whether that worked and loadError() why
    // not. A bare file name means the file in the current folder, not a search.
    explicit SharedLibrary(const std::string& path);
    ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    bool isLoaded() const { return handle != nullptr; }
    // Address of an exported symbol, or null.
    void* symbol(const char* name) const;
    const std::string& path() const { return libraryPath; }
    const std::string& loadError() const { return error; }

private:
    std::string libraryPath;
    void* handle = nullptr;
    std::string error;
};
