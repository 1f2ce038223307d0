#pragma once

#include <stdexcept>
#include <string>

// A failure of the operating system, carrying the system's message text for its code.
class GSystemException : public std::runtime_error {
public:
    explicit GSystemException(const std::string& text) : std::runtime_error(text) {}

    // Throws for a system error code: GSysMemoryException ("bad allocation") for the
    // out-of-memory codes 8 and 14 and for this platform's own out-of-memory code, else a
    // GSystemException with the system's text for the code (at most 512 characters).
    [[noreturn]] static void raise(int code);
    // raise() for the calling thread's last system error (errno, or GetLastError() on Windows);
    // code 8 when none is recorded.
    [[noreturn]] static void raiseLastError();
};
