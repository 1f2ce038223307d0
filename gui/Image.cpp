#include "Image.h"

#include <cstring>
#include <new>
#include <vector>

#include "DisplaySurface.h"
#include "PngDecoder.h"

std::unique_ptr<Image> Image::create(int32_t width, int32_t height, int32_t bitsPerPixel,
                                     bool displaySurface) {
    if ((bitsPerPixel != 8 && bitsPerPixel != 32) || width < 1 || height < 1) {
        return nullptr;
    }
    const int32_t step = bitsPerPixel / 8;
    const uint64_t bytes = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * step;
    if (bytes > 0x7FFFFFFFu) {
        return nullptr;
    }
    std::unique_ptr<Image> image(new (std::nothrow) Image());
    if (!image) {
        return nullptr;
    }
    int32_t row = width * step;
    if (displaySurface) {
        // Platform hook: the display surface (white and opaque) owns the pixels.
        image->surface = DisplaySurface::create(width, height, bitsPerPixel);
        if (!image->surface) {
            return nullptr;
        }
        image->pixelData = image->surface->pixels();
        row = image->surface->rowStep();
        if (static_cast<uint64_t>(row) * static_cast<uint64_t>(height) > 0x7FFFFFFFu) {
            return nullptr;  // padded rows beyond the byte-size field
        }
    } else {
        // Plain memory starts cleared.
        image->buffer.reset(new (std::nothrow) uint8_t[bytes]);
        if (!image->buffer) {
            return nullptr;
        }
        std::memset(image->buffer.get(), 0, bytes);
        image->pixelData = image->buffer.get();
    }
    image->imageFormat = bitsPerPixel == 8 ? (displaySurface ? kSurface8 : kPlain8)
                                           : (displaySurface ? kSurface32 : kPlain32);
    image->imageWidth = width;
    image->imageHeight = height;
    image->pixelStep = step;
    image->rowBytes = row;
    image->bufferBytes = row * height;
    image->cellW = width;
    image->cellH = height;
    return image;
}

std::unique_ptr<Image> Image::fromDecoder(PngDecoder& decoder, bool displaySurface) {
    const int32_t depth = decoder.pixelDepth();
    if (depth != 8 && depth != 32) {
        return nullptr;
    }
    std::unique_ptr<Image> image = create(decoder.width(), decoder.height(), depth, displaySurface);
    if (!image) {
        return nullptr;
    }
    std::vector<uint8_t*> rowAddresses;
    try {
        rowAddresses.resize(static_cast<size_t>(image->imageHeight));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    for (int32_t y = 0; y < image->imageHeight; ++y) {
        rowAddresses[static_cast<size_t>(y)] = image->pixelAddress(0, y);
    }
    if (!decoder.readRows(rowAddresses.data())) {
        return nullptr;
    }
    image->recogniseFilmStrip();
    return image;
}

Image::~Image() = default;

intptr_t Image::surfaceHandle() const {
    return surface ? surface->handle() : 0;
}

void Image::recogniseFilmStrip() {
    if (pixelData == nullptr) {
        return;
    }
    // One-byte pixels compare their single byte with all three marker bytes.
    auto isMarker = [this](int32_t x, int32_t y) {
        const uint8_t* p = pixelAddress(x, y);
        if (pixelStep == 1) {
            return p[0] == kMarker[0] && p[0] == kMarker[1] && p[0] == kMarker[2];
        }
        return p[0] == kMarker[0] && p[1] == kMarker[1] && p[2] == kMarker[2];
    };
    if (!isMarker(0, 0)) {
        return;
    }
    int32_t markersAcross = 0;
    if (imageHeight > 1) {
        int32_t start = 0;
        for (int32_t x = 0; x < imageWidth; ++x) {
            if (isMarker(x, 1)) {
                ++markersAcross;
                if (markersAcross == 1) {
                    start = x + 1;
                } else if (markersAcross == 2) {
                    cellW = x - start;
                }
            }
        }
    }
    int32_t markersDown = 0;
    if (imageWidth > 1) {
        int32_t start = 0;
        for (int32_t y = 0; y < imageHeight; ++y) {
            if (isMarker(1, y)) {
                ++markersDown;
                if (markersDown == 1) {
                    start = y + 1;
                } else if (markersDown == 2) {
                    cellH = y - start;
                }
            }
        }
    }
    // A grid line alone (one marker) gives no cell; counts never go below zero.
    columns = markersAcross > 0 ? markersAcross - 1 : 0;
    rows = markersDown > 0 ? markersDown - 1 : 0;
    filmStrip = true;
    column = 0;
    row = 0;
}

void Image::selectCell(int32_t cellColumn, int32_t cellRow) {
    if (!filmStrip) {
        return;
    }
    if (cellColumn >= 0 && cellColumn < columns) {
        column = cellColumn;
    }
    if (cellRow >= 0 && cellRow < rows) {
        row = cellRow;
    }
}

PixelRect Image::cellRect(int32_t cellColumn, int32_t cellRow) const {
    const int64_t left = static_cast<int64_t>(cellW + 1) * cellColumn + 1;
    const int64_t top = static_cast<int64_t>(cellH + 1) * cellRow + 1;
    auto clampTo = [](int64_t v, int32_t limit) {
        return static_cast<int32_t>(v < 0 ? 0 : (v > limit ? limit : v));
    };
    PixelRect r{clampTo(left, imageWidth), clampTo(top, imageHeight),
                clampTo(left + cellW, imageWidth), clampTo(top + cellH, imageHeight)};
    return r.isEmpty() ? PixelRect{} : r;
}

PixelRect Image::sourceRect() const {
    if (!filmStrip) {
        return bounds();
    }
    return cellRect(column, row);
}
