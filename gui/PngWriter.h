#pragma once

#include <cstdint>
#include <string>
#include <vector>

class Image;

// Writes a 32-bit image as an 8-bit PNG: RGB (colour type 2, alpha dropped, as a screen shows
// it) or RGBA. Answers false when the image has no pixels or the file cannot be written.
class PngWriter {
public:
    static bool writeFile(const Image& image, const std::string& path, bool withAlpha);
    static bool writeMemory(const Image& image, std::vector<uint8_t>& out, bool withAlpha);
};
