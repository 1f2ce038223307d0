#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "PixelRect.h"

class DisplaySurface;
class PngDecoder;

// A bitmap of 8-bit (grey) or 32-bit pixels, rows from top to bottom; a 32-bit pixel holds the
// bytes blue, green, red, alpha (255 opaque). The pixels live in plain memory or in a display
// surface, a buffer that a window host can hand to the screen unchanged (on X11 a ZPixmap of
// depth 24 has exactly this byte order).
//
// A film strip is an image whose pixel (0, 0) has the marker colour (opaque cyan): cells of
// the same size stand in a grid whose lines are drawn in that colour, and the grid is read from
// row 1 and column 1. Cell (c, r) then starts at ((cell width + 1) * c + 1,
// (cell height + 1) * r + 1). Selecting a cell makes it the image's source rectangle.
class Image {
public:
    enum Format : int32_t {
        kPlain8 = 1,
        kPlain32 = 2,
        kSurface32 = 4,
        kSurface8 = 5,
    };
    // Blue, green, red, alpha of the film-strip grid (opaque cyan).
    static constexpr uint8_t kMarker[4] = {255, 255, 0, 255};

    // A blank image of 8 or 32 bits per pixel; a display surface starts white and opaque
    // (every byte 255), plain memory starts at 0. Null for other depths, sizes below 1 or a
    // buffer above 2^31 - 1 bytes.
    static std::unique_ptr<Image> create(int32_t width, int32_t height, int32_t bitsPerPixel,
                                         bool displaySurface);
    // Decodes the decoder's image (its header already read); recognises a film strip. Null
    // when the depth is not 8 or 32 or the rows cannot be read.
    static std::unique_ptr<Image> fromDecoder(PngDecoder& decoder, bool displaySurface);

    ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    const std::string& name() const { return imageName; }
    void setName(const std::string& n) { imageName = n; }
    Format format() const { return imageFormat; }
    int32_t pixelClass() const { return pixelStep == 1 ? 1 : 2; }
    int32_t width() const { return imageWidth; }
    int32_t height() const { return imageHeight; }
    int32_t bytesPerPixel() const { return pixelStep; }
    int32_t rowStep() const { return rowBytes; }
    int32_t byteSize() const { return bufferBytes; }
    // First byte of the top row; null when the image has no pixels.
    uint8_t* pixels() { return pixelData; }
    const uint8_t* pixels() const { return pixelData; }
    uint8_t* pixelAddress(int32_t x, int32_t y) {
        return pixelData + static_cast<ptrdiff_t>(y) * rowBytes + x * pixelStep;
    }
    const uint8_t* pixelAddress(int32_t x, int32_t y) const {
        return pixelData + static_cast<ptrdiff_t>(y) * rowBytes + x * pixelStep;
    }
    // Platform hook: the native bitmap of a display surface (a DIB section on Windows), else 0.
    intptr_t surfaceHandle() const;
    PixelRect bounds() const { return PixelRect{0, 0, imageWidth, imageHeight}; }

    // Film strips.
    bool isFilmStrip() const { return filmStrip; }
    int32_t cellColumns() const { return columns; }
    int32_t cellRows() const { return rows; }
    int32_t cellWidth() const { return cellW; }
    int32_t cellHeight() const { return cellH; }
    // A coordinate that is negative or not below its count leaves that coordinate as it was;
    // ordinary images ignore the call.
    void selectCell(int32_t cellColumn, int32_t cellRow);
    // The selected cell of a film strip, or the whole image; always inside the image.
    PixelRect sourceRect() const;
    // Cell (c, r) clipped to the image.
    PixelRect cellRect(int32_t cellColumn, int32_t cellRow) const;
    // Reads the grid from the pixels (done once by fromDecoder).
    void recogniseFilmStrip();

private:
    Image() = default;

    std::string imageName;
    Format imageFormat = kPlain32;
    int32_t imageWidth = 0;
    int32_t imageHeight = 0;
    int32_t pixelStep = 4;
    int32_t rowBytes = 0;
    int32_t bufferBytes = 0;
    std::unique_ptr<uint8_t[]> buffer;  // plain memory
    // Platform hook: formats 4 and 5 keep their pixels in a display surface.
    std::unique_ptr<DisplaySurface> surface;
    uint8_t* pixelData = nullptr;
    bool filmStrip = false;
    int32_t columns = 1;
    int32_t rows = 1;
    int32_t cellW = 0;
    int32_t cellH = 0;
    int32_t column = 0;
    int32_t row = 0;
};
