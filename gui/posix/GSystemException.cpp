#include "GSystemException.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include "GSysMemoryException.h"

void GSystemException::raise(int code) {
    if (code == 8 || code == 14 || code == ENOMEM) {
        throw GSysMemoryException();
    }
    std::string text = std::system_category().message(code);
    if (text.size() > 512) {
        text.resize(512);
    }
    throw GSystemException(text);
}

void GSystemException::raiseLastError() {
    raise(errno != 0 ? errno : 8);
}
