#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// Reads a fuzzer's bytes front to back as the values a target needs; past the end every read
// answers zero, so each input, however short, is a complete script.
class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : bytes(data), remaining(size) {}

    bool empty() const { return remaining == 0; }
    size_t left() const { return remaining; }

    uint8_t byte() {
        if (remaining == 0) {
            return 0;
        }
        --remaining;
        return *bytes++;
    }
    template <typename T>
    T value() {
        T v{};
        const size_t n = remaining < sizeof v ? remaining : sizeof v;
        if (n == 0) {
            return v;
        }
        std::memcpy(&v, bytes, n);
        bytes += n;
        remaining -= n;
        return v;
    }
    // Up to n bytes copied out; answers how many.
    size_t take(void* out, size_t n) {
        const size_t k = remaining < n ? remaining : n;
        if (k == 0) {
            return 0;
        }
        std::memcpy(out, bytes, k);
        bytes += k;
        remaining -= k;
        return k;
    }
    // A float that is often ordinary and sometimes one of the values hosts get wrong.
    float parameterValue() {
        switch (byte() % 8) {
            case 0:
                return value<float>();  // any bit pattern: NaN, infinities, denormals
            case 1:
                return -value<float>();
            default:
                return static_cast<float>(value<uint16_t>()) / 65535.0f;
        }
    }

private:
    const uint8_t* bytes;
    size_t remaining;
};
