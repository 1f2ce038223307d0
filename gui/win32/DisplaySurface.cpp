#include "DisplaySurface.h"

#include <windows.h>

#include <cstring>
#include <new>

namespace {

// A bitmap header with room for the 256 palette entries of an 8-bit surface.
struct SurfaceHeader {
    BITMAPINFOHEADER header;
    RGBQUAD palette[256];
};

}  // namespace

std::unique_ptr<DisplaySurface> DisplaySurface::create(int32_t width, int32_t height,
                                                       int32_t bitsPerPixel) {
    if ((bitsPerPixel != 8 && bitsPerPixel != 32) || width < 1 || height < 1) {
        return nullptr;
    }
    // DIB rows are padded to whole 32-bit words.
    const int64_t row = ((static_cast<int64_t>(width) * bitsPerPixel + 31) / 32) * 4;
    const int64_t bytes = row * height;
    if (bytes > 0x7FFFFFFF) {
        return nullptr;
    }
    std::unique_ptr<DisplaySurface> surface(new (std::nothrow) DisplaySurface());
    if (!surface) {
        return nullptr;
    }
    SurfaceHeader info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);  // 40
    info.header.biWidth = width;
    info.header.biHeight = -height;  // negative: rows from top to bottom
    info.header.biPlanes = 1;
    info.header.biBitCount = static_cast<WORD>(bitsPerPixel);
    info.header.biCompression = BI_RGB;
    info.header.biSizeImage = static_cast<DWORD>(bytes);
    if (bitsPerPixel == 8) {
        for (int i = 0; i < 256; ++i) {
            const auto level = static_cast<BYTE>(i);
            info.palette[i] = RGBQUAD{level, level, level, 0};  // blue, green, red: grey i
        }
    }
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(screen, reinterpret_cast<const BITMAPINFO*>(&info),
                                      DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (bitmap == nullptr || bits == nullptr) {
        if (bitmap != nullptr) {
            DeleteObject(bitmap);
        }
        return nullptr;
    }
    // GDI may still hold queued work on the new bitmap before the program writes its bits.
    GdiFlush();
    std::memset(bits, 0xFF, static_cast<size_t>(bytes));
    surface->pixelData = static_cast<uint8_t*>(bits);
    surface->rowBytes = static_cast<int32_t>(row);
    surface->nativeHandle = reinterpret_cast<intptr_t>(bitmap);
    return surface;
}

DisplaySurface::~DisplaySurface() {
    if (nativeHandle != 0) {
        DeleteObject(reinterpret_cast<HBITMAP>(nativeHandle));
    }
}
