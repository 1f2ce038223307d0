#pragma once

#include <cstdint>
#include <memory>

// Pixel memory that a window host hands to the screen as it stands, rows from top to bottom:
// on Windows a DIB section (a top-down device-independent bitmap whose bits the program writes
// directly, copied to a window with BitBlt from a memory device context); elsewhere plain
// memory. Every byte starts at 255 (white and opaque). The platform folder implements it.
class DisplaySurface {
public:
    // A surface of 8 bits (grey palette: entry i is red, green and blue i) or 32 bits per
    // pixel; null for other depths or when the system refuses it.
    static std::unique_ptr<DisplaySurface> create(int32_t width, int32_t height,
                                                  int32_t bitsPerPixel);
    ~DisplaySurface();
    DisplaySurface(const DisplaySurface&) = delete;
    DisplaySurface& operator=(const DisplaySurface&) = delete;

    uint8_t* pixels() const { return pixelData; }
    // Bytes from one row to the next (a DIB row is padded to 4 bytes).
    int32_t rowStep() const { return rowBytes; }
    // The native bitmap (the DIB section's handle on Windows), 0 where there is none.
    intptr_t handle() const { return nativeHandle; }

private:
    DisplaySurface() = default;

    uint8_t* pixelData = nullptr;
    int32_t rowBytes = 0;
    intptr_t nativeHandle = 0;
    std::unique_ptr<uint8_t[]> memory;  // the pixels where there is no native surface
};
