// An external resource module for the lookup tests. Built three times: alpha and beta both
// know "shared_name" and one name of their own; gamma exports no GetRessource and must not be
// kept. Its objects have ExternalRecord's slot layout (one destructor slot), as a module from
// another compiler would.
#include <cstring>

#include "ExternalRecord.h"

namespace {

struct ListedRecord final : ExternalRecord {
    ListedRecord(const char* n, int32_t s, const uint8_t* d) : text(n), count(s), bytes(d) {}
    void* destroy(unsigned) override { return nullptr; }
    uint32_t type() const override { return 0; }
    uint32_t subtype() const override { return 0; }
    int32_t reserved() const override { return 0; }
    const char* name() const override { return text; }
    uint32_t checksum() const override { return 0; }
    int32_t size() const override { return count; }
    const uint8_t* data() const override { return bytes; }
    const char* text;
    int32_t count;
    const uint8_t* bytes;
};

// A 1 x 1 8-bit RGB PNG: signature, IHDR, one IDAT, IEND (CRCs included). Each module has its
// own copy: a record's data address tells which module answered.
const uint8_t kPixel[] = {0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d,
                          0x49, 0x48, 0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01,
                          0x08, 0x02, 0x00, 0x00, 0x00, 0x90, 0x77, 0x53, 0xde, 0x00, 0x00, 0x00,
                          0x0c, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9c, 0x63, 0xf8, 0xcf, 0xc0, 0x00,
                          0x00, 0x03, 0x01, 0x01, 0x00, 0xc9, 0xfe, 0x92, 0xef, 0x00, 0x00, 0x00,
                          0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

ListedRecord shared("shared_name", sizeof(kPixel), kPixel);
#if defined(TEST_MODULE_ALPHA)
ListedRecord own("alpha_only", sizeof(kPixel), kPixel);
#else
ListedRecord own("beta_only", sizeof(kPixel), kPixel);
#endif

}  // namespace

#if defined(TEST_MODULE_ALPHA) || defined(TEST_MODULE_BETA)
extern "C" __attribute__((visibility("default"))) bool GetRessource(const char* name,
                                                                    ExternalRecord** record) {
    if (std::strcmp(name, shared.name()) == 0) {
        *record = &shared;
        return true;
    }
    if (std::strcmp(name, own.name()) == 0) {
        *record = &own;
        return true;
    }
    return false;
}
#else
extern "C" __attribute__((visibility("default"))) bool SomethingElse() {
    return own.size() > 0;
}
#endif
