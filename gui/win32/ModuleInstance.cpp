#include "ModuleInstance.h"

#include <windows.h>

namespace {

// Written by the DLL entry function; a program's copy stays null.
HINSTANCE storedInstance = nullptr;

}  // namespace

// The DLL entry function: the system calls it at process and thread attach and detach, each
// time with the module's instance handle.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD, LPVOID) {
    storedInstance = instance;
    return TRUE;
}

void* ModuleInstance::handle() {
    if (storedInstance != nullptr) {
        return storedInstance;
    }
    // Linked into a program: the module that contains this function.
    HMODULE module = nullptr;
    GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&ModuleInstance::handle), &module);
    return module;
}

std::string ModuleInstance::path() {
    char file[MAX_PATH + 1] = {};
    const DWORD length =
        GetModuleFileNameA(static_cast<HMODULE>(handle()), file, static_cast<DWORD>(MAX_PATH));
    return length > 0 && length < MAX_PATH ? std::string(file, length) : std::string();
}
