#include "PngDecoder.h"

#include <png.h>

#include <csetjmp>

#include "MemoryStream.h"

namespace {

// libpng reports errors by calling this, which must not return: it jumps back to the setjmp of
// the operation in progress. Warnings are dropped (the framework writes no log).
[[noreturn]] void onError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void onWarning(png_structp, png_const_charp) {}

void readFromStream(png_structp png, png_bytep destination, size_t count) {
    auto* stream = static_cast<MemoryStream*>(png_get_io_ptr(png));
    if (stream->read(destination, count) != count) {
        png_error(png, "truncated stream");
    }
}

}  // namespace

PngDecoder::PngDecoder(MemoryStream& stream) : source(stream) {}

PngDecoder::~PngDecoder() {
    if (png != nullptr) {
        auto* p = static_cast<png_structp>(png);
        auto* i = static_cast<png_infop>(info);
        png_destroy_read_struct(&p, i != nullptr ? &i : nullptr, nullptr);
    }
}

// Only plain C data lives in this frame between setjmp and a possible longjmp.
bool PngDecoder::readHeader() {
    uint8_t signature[8];
    if (source.read(signature, 8) != 8 || png_sig_cmp(signature, 0, 8) != 0) {
        return false;
    }
    png_structp p = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
    if (p == nullptr) {
        return false;
    }
    png = p;
    png_infop i = png_create_info_struct(p);
    if (i == nullptr) {
        return false;
    }
    info = i;
    if (setjmp(png_jmpbuf(p)) != 0) {
        return false;
    }
    png_set_user_limits(p, kMaxSide, kMaxSide);
    png_set_read_fn(p, &source, readFromStream);
    png_set_sig_bytes(p, 8);
    png_read_info(p, i);

    png_uint_32 w = 0;
    png_uint_32 h = 0;
    int bitDepth = 0;
    int colourType = 0;
    int interlace = 0;
    png_get_IHDR(p, i, &w, &h, &bitDepth, &colourType, &interlace, nullptr, nullptr);

    // The transformations, in this order.
    if (bitDepth == 16) {
        png_set_strip_16(p);
    }
    if (colourType == PNG_COLOR_TYPE_PALETTE && bitDepth <= 8) {
        png_set_palette_to_rgb(p);
    }
    if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) {
        png_set_expand_gray_1_2_4_to_8(p);
    }
    const bool hasTransparency = png_get_valid(p, i, PNG_INFO_tRNS) != 0;
    if (hasTransparency) {
        png_set_tRNS_to_alpha(p);
    }
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_gray_to_rgb(p);
    }
    // The sRGB intent is recorded; otherwise the gamma pair would be (screen 0, file gamma or
    // 0.45455), and a screen gamma of zero means no correction. This libpng refuses a zero
    // screen gamma outright, so that call is left out: without a screen gamma it corrects
    // nothing, and the stored sample values pass unchanged either way.
    int intent = 0;
    if (png_get_sRGB(p, i, &intent) != 0) {
        png_set_sRGB(p, i, intent);
    }
    png_set_bgr(p);
    if ((colourType & PNG_COLOR_MASK_ALPHA) == 0 && !hasTransparency) {
        png_set_filler(p, 0xFF, PNG_FILLER_AFTER);
    }
    png_set_interlace_handling(p);
    png_read_update_info(p, i);

    imageWidth = static_cast<int32_t>(w);
    imageHeight = static_cast<int32_t>(h);
    depth = png_get_channels(p, i) * png_get_bit_depth(p, i);
    if (depth == 32 && png_get_rowbytes(p, i) != static_cast<size_t>(w) * 4) {
        depth = 0;
    }
    return w > 0 && h > 0 && static_cast<uint64_t>(w) * h * 4 <= 0x7FFFFFFFu;
}

bool PngDecoder::readRows(uint8_t** rows) {
    if (png == nullptr || info == nullptr || depth != 32) {
        return false;
    }
    auto* p = static_cast<png_structp>(png);
    auto* i = static_cast<png_infop>(info);
    if (setjmp(png_jmpbuf(p)) != 0) {
        return false;
    }
    png_read_image(p, rows);
    png_read_end(p, i);
    return true;
}
