#include "DrawContext.h"

#include <cstring>

#include "Image.h"
#include "PixelBlend.h"

DrawContext::DrawContext(Image& target, const PixelRect& clip, int32_t originX, int32_t originY)
    : surface(target), clipRect(clip.intersected(target.bounds())), ox(originX), oy(originY) {}

DrawContext DrawContext::translated(int32_t dx, int32_t dy) const {
    return DrawContext(surface, clipRect, ox + dx, oy + dy);
}

DrawContext DrawContext::clippedTo(const PixelRect& local) const {
    return DrawContext(surface, clipRect.intersected(local.offset(ox, oy)), ox, oy);
}

PixelRect DrawContext::visible(int32_t x, int32_t y, int32_t w, int32_t h) const {
    return PixelRect{x + ox, y + oy, x + ox + w, y + oy + h}.intersected(clipRect);
}

namespace {

// One source pixel as blue, green, red, alpha; 8-bit images are grey and opaque.
inline void sourcePixel(const Image& src, int32_t x, int32_t y, uint8_t out[4]) {
    const uint8_t* p = src.pixelAddress(x, y);
    if (src.bytesPerPixel() == 1) {
        out[0] = out[1] = out[2] = p[0];
        out[3] = 255;
    } else {
        std::memcpy(out, p, 4);
    }
}

}  // namespace

void DrawContext::copyImage(const Image& src, const PixelRect& source, int32_t x, int32_t y) {
    if (src.pixels() == nullptr || surface.pixels() == nullptr || surface.bytesPerPixel() != 4) {
        return;
    }
    const PixelRect from = source.intersected(src.bounds());
    // Keep the placement of the requested rectangle even when part of it was cut away.
    const int32_t px = x + (from.left - source.left);
    const int32_t py = y + (from.top - source.top);
    const PixelRect to = visible(px, py, from.width(), from.height());
    for (int32_t ty = to.top; ty < to.bottom; ++ty) {
        const int32_t sy = from.top + (ty - (py + oy));
        for (int32_t tx = to.left; tx < to.right; ++tx) {
            const int32_t sx = from.left + (tx - (px + ox));
            sourcePixel(src, sx, sy, surface.pixelAddress(tx, ty));
        }
    }
}

void DrawContext::blendImage(const Image& src, const PixelRect& source, int32_t x, int32_t y) {
    if (src.pixels() == nullptr || surface.pixels() == nullptr || surface.bytesPerPixel() != 4) {
        return;
    }
    const PixelRect from = source.intersected(src.bounds());
    const int32_t px = x + (from.left - source.left);
    const int32_t py = y + (from.top - source.top);
    const PixelRect to = visible(px, py, from.width(), from.height());
    uint8_t s[4];
    for (int32_t ty = to.top; ty < to.bottom; ++ty) {
        const int32_t sy = from.top + (ty - (py + oy));
        for (int32_t tx = to.left; tx < to.right; ++tx) {
            const int32_t sx = from.left + (tx - (px + ox));
            sourcePixel(src, sx, sy, s);
            mixPixel(s, surface.pixelAddress(tx, ty), s[3]);
        }
    }
}

void DrawContext::blendMask(const uint8_t* coverage, int32_t pitch, int32_t w, int32_t h, int32_t x,
                            int32_t y, Colour colour) {
    if (coverage == nullptr || surface.pixels() == nullptr || surface.bytesPerPixel() != 4) {
        return;
    }
    const PixelRect to = visible(x, y, w, h);
    const uint8_t s[4] = {colour.blue, colour.green, colour.red, 255};
    for (int32_t ty = to.top; ty < to.bottom; ++ty) {
        const uint8_t* row = coverage + static_cast<ptrdiff_t>(ty - (y + oy)) * pitch;
        for (int32_t tx = to.left; tx < to.right; ++tx) {
            const uint32_t weight = row[tx - (x + ox)] * uint32_t{colour.alpha} / 255;
            mixPixel(s, surface.pixelAddress(tx, ty), weight);
        }
    }
}

void DrawContext::fill(const PixelRect& local, Colour colour) {
    if (surface.pixels() == nullptr || surface.bytesPerPixel() != 4) {
        return;
    }
    const PixelRect to = visible(local.left, local.top, local.width(), local.height());
    const uint8_t c[4] = {colour.blue, colour.green, colour.red, colour.alpha};
    for (int32_t ty = to.top; ty < to.bottom; ++ty) {
        for (int32_t tx = to.left; tx < to.right; ++tx) {
            std::memcpy(surface.pixelAddress(tx, ty), c, 4);
        }
    }
}
