#pragma once

#include <stdexcept>

// The framework's out-of-memory failure.
class GSysMemoryException : public std::runtime_error {
public:
    GSysMemoryException() : std::runtime_error("bad allocation") {}
};
