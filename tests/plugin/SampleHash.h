#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

// FNV-1a over the bits of the samples of both channels: equal only for identical output.
inline uint64_t sampleHash(const std::vector<float>& left, const std::vector<float>& right) {
    uint64_t h = 14695981039346656037ull;
    for (const std::vector<float>* channel : {&left, &right}) {
        for (float x : *channel) {
            uint32_t bits = 0;
            std::memcpy(&bits, &x, sizeof bits);
            for (int byte = 0; byte < 4; ++byte) {
                h = (h ^ ((bits >> (8 * byte)) & 0xffu)) * 1099511628211ull;
            }
        }
    }
    return h;
}
