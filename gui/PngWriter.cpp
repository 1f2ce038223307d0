#include "PngWriter.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>

#include "Image.h"

namespace {

[[noreturn]] void onError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void onWarning(png_structp, png_const_charp) {}

void appendToVector(png_structp png, png_bytep data, size_t count) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + count);
}
void flushNothing(png_structp) {}

// Converts the rows to R, G, B(, A) and writes them; only C data lives across setjmp.
bool writeRows(png_structp png, png_infop info, const Image& image, bool withAlpha,
               uint8_t* rowBuffer) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    const int32_t w = image.width();
    const int32_t h = image.height();
    png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8,
                 withAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const int channels = withAlpha ? 4 : 3;
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const uint8_t* p = image.pixelAddress(x, y);
            uint8_t* q = rowBuffer + x * channels;
            if (image.bytesPerPixel() == 1) {
                q[0] = q[1] = q[2] = p[0];
                if (withAlpha) {
                    q[3] = 255;
                }
            } else {
                q[0] = p[2];
                q[1] = p[1];
                q[2] = p[0];
                if (withAlpha) {
                    q[3] = p[3];
                }
            }
        }
        png_write_row(png, rowBuffer);
    }
    png_write_end(png, info);
    return true;
}

bool write(const Image& image, bool withAlpha, FILE* file, std::vector<uint8_t>* memory) {
    if (image.pixels() == nullptr) {
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
    if (png == nullptr) {
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (file != nullptr) {
        png_init_io(png, file);
    } else {
        png_set_write_fn(png, memory, appendToVector, flushNothing);
    }
    std::vector<uint8_t> rowBuffer(static_cast<size_t>(image.width()) * 4);
    const bool ok = writeRows(png, info, image, withAlpha, rowBuffer.data());
    png_destroy_write_struct(&png, &info);
    return ok;
}

}  // namespace

bool PngWriter::writeFile(const Image& image, const std::string& path, bool withAlpha) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool ok = write(image, withAlpha, file, nullptr);
    const bool closed = std::fclose(file) == 0;
    if (!ok || !closed) {
        std::remove(path.c_str());
        return false;
    }
    return true;
}

bool PngWriter::writeMemory(const Image& image, std::vector<uint8_t>& out, bool withAlpha) {
    out.clear();
    return write(image, withAlpha, nullptr, &out);
}
