#include "GSystemException.h"

#include <windows.h>

#include "GSysMemoryException.h"

void GSystemException::raise(int code) {
    // ERROR_NOT_ENOUGH_MEMORY (8) and ERROR_OUTOFMEMORY (14).
    if (code == 8 || code == 14) {
        throw GSysMemoryException();
    }
    // The system's text for the code in the system's default language; a code without a text
    // gives an empty one.
    char text[512] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, static_cast<DWORD>(code), LANG_SYSTEM_DEFAULT,
                                        text, static_cast<DWORD>(sizeof text), nullptr);
    throw GSystemException(std::string(text, length < sizeof text ? length : 0));
}

void GSystemException::raiseLastError() {
    const DWORD code = GetLastError();
    raise(code != 0 ? static_cast<int>(code) : 8);
}
