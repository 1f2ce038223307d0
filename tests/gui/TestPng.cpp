#include "TestPng.h"

#include <png.h>

#include <csetjmp>
#include <stdexcept>

namespace {

void append(png_structp png, png_bytep data, size_t count) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + count);
}
void flush(png_structp) {}

bool writeAll(png_structp png, png_infop info, const TestPngLayout& layout, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_set_IHDR(png, info, static_cast<png_uint_32>(layout.width),
                 static_cast<png_uint_32>(layout.height), layout.bitDepth, layout.colourType,
                 layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> colours;
    for (size_t i = 0; i + 2 < layout.palette.size(); i += 3) {
        colours.push_back(
            png_color{layout.palette[i], layout.palette[i + 1], layout.palette[i + 2]});
    }
    if (!colours.empty()) {
        png_set_PLTE(png, info, colours.data(), static_cast<int>(colours.size()));
    }
    if (!layout.paletteAlpha.empty()) {
        png_set_tRNS(png, info, layout.paletteAlpha.data(),
                     static_cast<int>(layout.paletteAlpha.size()), nullptr);
    }
    if (layout.transparentGrey) {
        png_color_16 grey{};
        grey.gray = *layout.transparentGrey;
        png_set_tRNS(png, info, nullptr, 0, &grey);
    }
    if (layout.gamma) {
        png_set_gAMA(png, info, *layout.gamma);
    }
    if (layout.chromaticities) {
        png_set_cHRM(png, info, 0.3127, 0.329, 0.64, 0.33, 0.3, 0.6, 0.15, 0.06);
    }
    if (layout.srgbIntent) {
        png_set_sRGB(png, info, *layout.srgbIntent);
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
    png_set_write_fn(png, &out, append, flush);
    const size_t rowBytes = layout.rows.size() / static_cast<size_t>(layout.height);
    std::vector<uint8_t> rows = layout.rows;
    std::vector<png_bytep> pointers;
    for (int y = 0; y < layout.height; ++y) {
        pointers.push_back(rows.data() + static_cast<size_t>(y) * rowBytes);
    }
    const bool ok = writeAll(png, info, layout, pointers.data());
    png_destroy_write_struct(&png, &info);
    if (!ok) {
        throw std::runtime_error("test PNG could not be written");
    }
    return out;
}

std::vector<uint8_t> makeFilmStripRgba(int cells, int cellWidth, int cellHeight) {
    const int pitch = cellWidth + 1;
    const int width = cells * pitch + 2;
    const int height = cellHeight + 2;
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4, 0);
    auto put = [&](int x, int y, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
        uint8_t* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
        p[0] = r;
        p[1] = g;
        p[2] = b;
        p[3] = a;
    };
    for (int x = 0; x < width - 1; ++x) {
        put(x, 0, 0, 255, 255, 255);
        put(x, height - 1, 0, 255, 255, 255);
    }
    for (int k = 0; k <= cells; ++k) {
        for (int y = 0; y < height; ++y) {
            put(k * pitch, y, 0, 255, 255, 255);
        }
    }
    for (int k = 0; k < cells; ++k) {
        const int cx = k * pitch + 1 + cellWidth / 2;
        const int cy = 1 + cellHeight / 2;
        for (int dy = -2; dy <= 2; ++dy) {
            for (int dx = -2; dx <= 2; ++dx) {
                put(cx + dx, cy + dy, static_cast<uint8_t>(k), 40, 200, 255);
            }
        }
    }
    return rgba;
}
