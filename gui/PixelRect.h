#pragma once

#include <algorithm>
#include <cstdint>

// A rectangle of whole pixels: left and top inside, right and bottom just outside.
struct PixelRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    bool contains(int32_t x, int32_t y) const {
        return x >= left && x < right && y >= top && y < bottom;
    }
    PixelRect intersected(const PixelRect& o) const {
        PixelRect r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
                    std::min(bottom, o.bottom)};
        if (r.isEmpty()) {
            return PixelRect{};
        }
        return r;
    }
    // The smallest rectangle holding both; an empty one adds nothing.
    PixelRect united(const PixelRect& o) const {
        if (isEmpty()) {
            return o;
        }
        if (o.isEmpty()) {
            return *this;
        }
        return PixelRect{std::min(left, o.left), std::min(top, o.top), std::max(right, o.right),
                         std::max(bottom, o.bottom)};
    }
    PixelRect offset(int32_t dx, int32_t dy) const {
        return PixelRect{left + dx, top + dy, right + dx, bottom + dy};
    }
    bool operator==(const PixelRect&) const = default;
};
