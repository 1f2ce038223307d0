#pragma once

#include <string>

// The module this code is linked into: the plug-in DLL, or a program that links the framework
// directly. Its instance handle is what the system passed to the DLL entry function (stored on
// every call), or for a program the module that holds this code; the framework's window class
// belongs to it. On POSIX systems the handle is the module's load address and the path its file,
// as the dynamic linker tells for an address inside it. Each platform folder implements it.
class ModuleInstance {
public:
    // The instance handle (an HINSTANCE).
    static void* handle();
    // The module's file, as the system names it (its ANSI code page).
    static std::string path();
};
