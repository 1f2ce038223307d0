// Arbitrary bytes as an embedded image resource, decoded through the image table as the editor
// does on first use. A result, when there is one, has the size its header declared.
#include <cstdint>
#include <cstdlib>

#include "ImageRecord.h"
#include "ImageTable.h"

namespace {

uint32_t bigEndian(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

// The decoder accepts images up to 2^31 - 1 bytes of pixels by design; the fuzzer's memory
// limit is far lower, so inputs whose header declares more than 2^24 pixels (64 MiB) are not
// decoded here.
constexpr uint64_t kMaxPixels = uint64_t(1) << 24;

struct Header {
    bool found = false;
    uint32_t width = 0;
    uint32_t height = 0;
};

// The first header chunk ("IHDR") after the 8-byte signature, walking the chunk list (length,
// name, data, CRC); libpng skips ancillary chunks that come before it.
Header findHeader(const uint8_t* png, size_t length) {
    size_t at = 8;
    while (at + 8 <= length) {
        const uint64_t size = bigEndian(png + at);
        if (png[at + 4] == 'I' && png[at + 5] == 'H' && png[at + 6] == 'D' && png[at + 7] == 'R') {
            if (at + 16 > length) {
                break;
            }
            return Header{true, bigEndian(png + at + 8), bigEndian(png + at + 12)};
        }
        at += 12 + size;
    }
    return Header{};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > (1u << 20)) {
        return 0;
    }
    const bool displaySurface = (data[0] & 1) != 0;
    const uint8_t* png = data + 1;
    const size_t length = size - 1;
    const Header header = findHeader(png, length);
    if (header.found && uint64_t(header.width) * header.height > kMaxPixels) {
        return 0;
    }
    ImageRecord record("fuzz_image", 0, static_cast<int32_t>(length), png);
    ImageTable table;
    const auto image = table.imageFor(record, displaySurface);
    if (image) {
        if (!header.found || image->width() != static_cast<int32_t>(header.width) ||
            image->height() != static_cast<int32_t>(header.height)) {
            std::abort();
        }
        // Asked again, the table answers the same image.
        if (table.imageFor(record, displaySurface) != image) {
            std::abort();
        }
    }
    return 0;
}
