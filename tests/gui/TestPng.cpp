#include "TestPng.h"

#include <png.h>

#include <csetjmp>

namespace {

void append(png_structp png, png_bytep data, size_t count) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + count);
}

bool writeAll(png_structp png, png_infop info, const TestPngLayout& layout, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_set_IHDR(png, info, static_cast<png_uint_32>(layout.width),
                 static_cast<png_uint_32>(layout.height), layout.bitDepth, layout.colourType,
                 layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!layout.palette.empty()) {  // png_color is the three bytes red, green, blue
        png_set_PLTE(png, info, reinterpret_cast<png_const_colorp>(layout.palette.data()),
                     static_cast<int>(layout.palette.size() / 3));
    }
    png_color_16 grey{};
    grey.gray = layout.transparentGrey.value_or(0);
    if (!layout.paletteAlpha.empty() || layout.transparentGrey) {
        png_set_tRNS(png, info, layout.paletteAlpha.data(),
                     static_cast<int>(layout.paletteAlpha.size()), &grey);
    }
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

}  // namespace

std::vector<uint8_t> makeTestPng(const TestPngLayout& layout) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<uint8_t> out;
    png_set_write_fn(png, &out, append, nullptr);
    std::vector<uint8_t> rows = layout.rows;
    std::vector<png_bytep> pointers;
    for (int y = 0; y < layout.height; ++y) {
        pointers.push_back(rows.data() + y * (rows.size() / static_cast<size_t>(layout.height)));
    }
    const bool ok = writeAll(png, info, layout, pointers.data());
    png_destroy_write_struct(&png, &info);
    return ok ? out : std::vector<uint8_t>{};  // nothing decodes from an empty file
}

TestPngLayout filmStripLayout(int cells, int cellWidth, int cellHeight) {
    const int pitch = cellWidth + 1;
    TestPngLayout layout{.width = cells * pitch + 2, .height = cellHeight + 2, .colourType = 6};
    layout.rows.assign(static_cast<size_t>(layout.width) * layout.height * 4, 0);
    auto put = [&](int x, int y, uint8_t red, uint8_t green, uint8_t blue) {
        uint8_t* p = &layout.rows[(static_cast<size_t>(y) * layout.width + x) * 4];
        p[0] = red;
        p[1] = green;
        p[2] = blue;
        p[3] = 255;
    };
    for (int x = 0; x < layout.width - 1; ++x) {
        put(x, 0, 0, 255, 255);
        put(x, layout.height - 1, 0, 255, 255);
    }
    for (int k = 0; k <= cells; ++k) {
        for (int y = 0; y < layout.height; ++y) {
            put(k * pitch, y, 0, 255, 255);
        }
        for (int d = 0; k < cells && d < 25; ++d) {
            put(k * pitch + 1 + cellWidth / 2 + d % 5 - 2, 1 + cellHeight / 2 + d / 5 - 2,
                static_cast<uint8_t>(k), 40, 200);
        }
    }
    return layout;
}
