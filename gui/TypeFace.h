#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "Colour.h"

class DrawContext;
class ResourceRecord;

// A scalable font read by FreeType straight from a resource's bytes (a Type 1 font in PFB
// segments; the bytes are not copied), rasterised with 8-bit antialiasing and hinting. Sizes
// are in pixels (points at 72 dpi).
class TypeFace {
public:
    // Null when FreeType does not accept the bytes.
    static std::unique_ptr<TypeFace> fromRecord(const ResourceRecord& record);
    ~TypeFace();
    TypeFace(const TypeFace&) = delete;
    TypeFace& operator=(const TypeFace&) = delete;

    // Sum of the glyph advances of text at size, in whole pixels.
    int32_t textWidth(const std::string& text, float size);
    // Height of the digit '0' above the baseline: where a line of figures ends at the top.
    int32_t figureHeight(float size);
    // Draws text with its baseline starting at local (x, baseline).
    void drawText(DrawContext& context, const std::string& text, float size, int32_t x,
                  int32_t baseline, Colour colour);

private:
    TypeFace() = default;
    bool setSize(float size);

    void* library = nullptr;  // FT_Library
    void* face = nullptr;     // FT_Face
    float currentSize = 0.0f;
};
