#pragma once

#include <cstdint>

#include "Colour.h"
#include "PixelRect.h"

class Image;

// Drawing into a 32-bit target image (the window's off-screen surface). A view draws in its
// own coordinates: target pixel = local point + origin; nothing is written outside the clip
// rectangle (target coordinates). Copies replace pixels; blends weight the source against what
// lies beneath by the source alpha (or a coverage mask) with the framework's mix operator.
class DrawContext {
public:
    DrawContext(Image& target, const PixelRect& clip, int32_t originX, int32_t originY);

    // A context for a child: origin moved by (dx, dy) local pixels.
    DrawContext translated(int32_t dx, int32_t dy) const;
    // The same context clipped further to a local rectangle.
    DrawContext clippedTo(const PixelRect& local) const;

    // Copies the source rectangle of src so that its top-left lands on local (x, y).
    void copyImage(const Image& src, const PixelRect& source, int32_t x, int32_t y);
    // Draws the source rectangle over the target, weighted by each source pixel's alpha.
    void blendImage(const Image& src, const PixelRect& source, int32_t x, int32_t y);
    // Draws colour through an 8-bit coverage mask (w x h, rows pitch bytes apart) placed at
    // local (x, y); the coverage scales the colour's own alpha.
    void blendMask(const uint8_t* coverage, int32_t pitch, int32_t w, int32_t h, int32_t x,
                   int32_t y, Colour colour);
    // Fills a local rectangle with an opaque colour.
    void fill(const PixelRect& local, Colour colour);

    const PixelRect& clip() const { return clipRect; }
    int32_t originX() const { return ox; }
    int32_t originY() const { return oy; }
    Image& target() { return surface; }

private:
    // The part of a w x h block placed at local (x, y) that survives the clip, in target
    // coordinates.
    PixelRect visible(int32_t x, int32_t y, int32_t w, int32_t h) const;

    Image& surface;
    PixelRect clipRect;
    int32_t ox;
    int32_t oy;
};
