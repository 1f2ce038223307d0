#pragma once

// A view rectangle in 32-bit floats: left and top inside, right and bottom the far edges.
struct FloatRect {
    float left = 0.0f;
    float top = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;

    float width() const { return right - left; }
    float height() const { return bottom - top; }
    bool contains(float x, float y) const {
        return x >= left && x < right && y >= top && y < bottom;
    }
};
