#pragma once

#include <cstdint>

class MemoryStream;

// Reads one PNG image from a stream through libpng and delivers it as rows of 32-bit pixels
// in the byte order blue, green, red, alpha (alpha 255 where the file has none). Sample values
// are passed through without gamma correction. Any fault of the data (no signature, truncated
// stream, bad header, bad CRC, sizes beyond the limits) makes readHeader or readRows answer
// false; nothing is printed and nothing throws.
class PngDecoder {
public:
    // Widths and heights beyond this are refused, and so is a buffer above 2^31 - 1 bytes.
    static constexpr uint32_t kMaxSide = 32767;

    explicit PngDecoder(MemoryStream& stream);
    ~PngDecoder();
    PngDecoder(const PngDecoder&) = delete;
    PngDecoder& operator=(const PngDecoder&) = delete;

    // Tests the signature, reads the header chunks and sets up the transformations.
    bool readHeader();
    int32_t width() const { return imageWidth; }
    int32_t height() const { return imageHeight; }
    // Bits per delivered pixel after the transformations (32 for every accepted file).
    int32_t pixelDepth() const { return depth; }
    // Reads every row (all interlace passes) into rows[0..height-1], each width * 4 bytes,
    // then the end of the image.
    bool readRows(uint8_t** rows);

private:
    MemoryStream& source;
    void* png = nullptr;   // png_structp
    void* info = nullptr;  // png_infop
    int32_t imageWidth = 0;
    int32_t imageHeight = 0;
    int32_t depth = 0;
};
