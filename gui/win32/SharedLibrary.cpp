#include "SharedLibrary.h"

#include <windows.h>

const char* SharedLibrary::fileSuffix() {
    return ".dll";
}

std::vector<std::string> SharedLibrary::listing(const std::string& directory,
                                                const std::string& ending) {
    std::vector<std::string> paths;
    if (directory.empty()) {
        return paths;
    }
    const char last = directory.back();
    const std::string folder = last == '/' || last == '\\' ? directory : directory + "/";
    // The system matches the pattern (its own way: without regard to case) and sets the order.
    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA((folder + "*" + ending + fileSuffix()).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return paths;
    }
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            paths.push_back(folder + found.cFileName);
        }
    } while (FindNextFileA(search, &found) != FALSE);
    FindClose(search);
    return paths;
}

SharedLibrary::SharedLibrary(const std::string& path) : libraryPath(path) {
    // The loader wants '\\' between folders; a bare file name still searches, so the current
    // folder is named explicitly.
    std::string file = path;
    for (char& c : file) {
        c = c == '/' ? '\\' : c;
    }
    if (file.find('\\') == std::string::npos && file.find(':') == std::string::npos) {
        file = ".\\" + file;
    }
    handle = LoadLibraryA(file.c_str());
    if (handle == nullptr) {
        const DWORD code = GetLastError();
        char* text = nullptr;
        const DWORD length =
            FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
        error = length > 0 && text != nullptr ? std::string(text, length)
                                              : "error " + std::to_string(code);
        LocalFree(text);
        while (!error.empty() && (error.back() == '\n' || error.back() == '\r')) {
            error.pop_back();
        }
    }
}

SharedLibrary::~SharedLibrary() {
    if (handle != nullptr) {
        FreeLibrary(static_cast<HMODULE>(handle));
    }
}

void* SharedLibrary::symbol(const char* name) const {
    if (handle == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
