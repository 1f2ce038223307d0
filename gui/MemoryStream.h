#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// A read-only stream over bytes that stay where they are (a resource in the module's data).
class MemoryStream {
public:
    MemoryStream(const uint8_t* data, size_t size) : bytes(data), length(data ? size : 0) {}

    // Copies up to count bytes; answers how many were copied.
    size_t read(uint8_t* destination, size_t count) {
        const size_t available = length - position;
        const size_t n = count < available ? count : available;
        if (n > 0) {
            std::memcpy(destination, bytes + position, n);
            position += n;
        }
        return n;
    }
    size_t remaining() const { return length - position; }

private:
    const uint8_t* bytes;
    size_t length;
    size_t position = 0;
};
