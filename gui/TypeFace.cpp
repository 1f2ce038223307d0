#include "TypeFace.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>

#include "DrawContext.h"
#include "ResourceRecord.h"

std::unique_ptr<TypeFace> TypeFace::fromRecord(const ResourceRecord& record) {
    if (record.data() == nullptr || record.size() <= 0) {
        return nullptr;
    }
    std::unique_ptr<TypeFace> typeFace(new TypeFace());
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) != 0) {
        return nullptr;
    }
    typeFace->library = lib;
    FT_Face f = nullptr;
    if (FT_New_Memory_Face(lib, record.data(), record.size(), 0, &f) != 0) {
        return nullptr;
    }
    typeFace->face = f;
    return typeFace;
}

TypeFace::~TypeFace() {
    if (face != nullptr) {
        FT_Done_Face(static_cast<FT_Face>(face));
    }
    if (library != nullptr) {
        FT_Done_FreeType(static_cast<FT_Library>(library));
    }
}

bool TypeFace::setSize(float size) {
    if (size == currentSize) {
        return true;
    }
    if (!(size > 0.0f) || size > 1000.0f) {
        return false;
    }
    // 26.6 fixed point at 72 dpi: one point is one pixel.
    const auto points = static_cast<FT_F26Dot6>(std::lround(size * 64.0f));
    if (FT_Set_Char_Size(static_cast<FT_Face>(face), 0, points, 72, 72) != 0) {
        return false;
    }
    currentSize = size;
    return true;
}

int32_t TypeFace::textWidth(const std::string& text, float size) {
    if (!setSize(size)) {
        return 0;
    }
    auto* f = static_cast<FT_Face>(face);
    FT_Pos advance = 0;
    for (unsigned char c : text) {
        if (FT_Load_Char(f, c, FT_LOAD_DEFAULT) == 0) {
            advance += f->glyph->advance.x;
        }
    }
    return static_cast<int32_t>((advance + 32) >> 6);
}

int32_t TypeFace::figureHeight(float size) {
    if (!setSize(size)) {
        return 0;
    }
    auto* f = static_cast<FT_Face>(face);
    if (FT_Load_Char(f, '0', FT_LOAD_RENDER) != 0) {
        return 0;
    }
    return f->glyph->bitmap_top;
}

void TypeFace::drawText(DrawContext& context, const std::string& text, float size, int32_t x,
                        int32_t baseline, Colour colour) {
    if (!setSize(size)) {
        return;
    }
    auto* f = static_cast<FT_Face>(face);
    FT_Pos pen = static_cast<FT_Pos>(x) * 64;
    for (unsigned char c : text) {
        if (FT_Load_Char(f, c, FT_LOAD_RENDER) != 0) {
            continue;
        }
        const FT_GlyphSlot glyph = f->glyph;
        const FT_Bitmap& bitmap = glyph->bitmap;
        if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY && bitmap.buffer != nullptr &&
            bitmap.pitch > 0) {
            context.blendMask(bitmap.buffer, bitmap.pitch, static_cast<int32_t>(bitmap.width),
                              static_cast<int32_t>(bitmap.rows),
                              static_cast<int32_t>((pen + 32) >> 6) + glyph->bitmap_left,
                              baseline - glyph->bitmap_top, colour);
        }
        pen += glyph->advance.x;
    }
}
