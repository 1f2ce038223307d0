#include "DisplaySurface.h"

#include <cstring>
#include <new>

// On X11 a display surface is plain memory: a ZPixmap of depth 24 takes its bytes unchanged.
std::unique_ptr<DisplaySurface> DisplaySurface::create(int32_t width, int32_t height,
                                                       int32_t bitsPerPixel) {
    if ((bitsPerPixel != 8 && bitsPerPixel != 32) || width < 1 || height < 1) {
        return nullptr;
    }
    const int32_t row = width * (bitsPerPixel / 8);
    const size_t bytes = static_cast<size_t>(row) * static_cast<size_t>(height);
    std::unique_ptr<DisplaySurface> surface(new (std::nothrow) DisplaySurface());
    if (!surface) {
        return nullptr;
    }
    surface->memory.reset(new (std::nothrow) uint8_t[bytes]);
    if (!surface->memory) {
        return nullptr;
    }
    std::memset(surface->memory.get(), 0xFF, bytes);
    surface->pixelData = surface->memory.get();
    surface->rowBytes = row;
    return surface;
}

DisplaySurface::~DisplaySurface() = default;
