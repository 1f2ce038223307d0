#include "EmbeddedResources.h"

#include <cstring>

#include "FontRecord.h"
#include "ImageRecord.h"

// The byte arrays, sizes and CRC registers written at build time by EmbedResource.cmake.
extern const uint8_t resource_qorin_back_bytes[];
extern const int32_t resource_qorin_back_size;
extern const uint32_t resource_qorin_back_checksum;
extern const uint8_t resource_qorin_poti_01_bytes[];
extern const int32_t resource_qorin_poti_01_size;
extern const uint32_t resource_qorin_poti_01_checksum;
extern const uint8_t resource_qorin_poti_02_bytes[];
extern const int32_t resource_qorin_poti_02_size;
extern const uint32_t resource_qorin_poti_02_checksum;
extern const uint8_t resource_u004004t_bytes[];
extern const int32_t resource_u004004t_size;
extern const uint32_t resource_u004004t_checksum;

namespace {

// One translation unit, so static initialisation builds them in the order written here. The
// sizes and checksums are constants of other units, initialised before any of these.
const ImageRecord qorinBack("qorin_back", resource_qorin_back_checksum, resource_qorin_back_size,
                            resource_qorin_back_bytes);
const ImageRecord qorinPoti01("qorin_poti_01", resource_qorin_poti_01_checksum,
                              resource_qorin_poti_01_size, resource_qorin_poti_01_bytes);
const ImageRecord qorinPoti02("qorin_poti_02", resource_qorin_poti_02_checksum,
                              resource_qorin_poti_02_size, resource_qorin_poti_02_bytes);
const FontRecord u004004t("u004004t", resource_u004004t_checksum, resource_u004004t_size,
                          resource_u004004t_bytes);

}  // namespace

extern "C" ORVANE_DATA_EXPORT const ResMapTable ResMap = {{{"qorin_back", &qorinBack},
                                                           {"qorin_poti_01", &qorinPoti01},
                                                           {"qorin_poti_02", &qorinPoti02},
                                                           {"u004004t", &u004004t}},
                                                          4};

const ResourceRecord& EmbeddedResources::background() {
    return qorinBack;
}
const ResourceRecord& EmbeddedResources::largeKnobStrip() {
    return qorinPoti01;
}
const ResourceRecord& EmbeddedResources::smallKnobStrip() {
    return qorinPoti02;
}
const ResourceRecord& EmbeddedResources::displayFont() {
    return u004004t;
}

const ResourceRecord* EmbeddedResources::find(const char* name) {
    if (name == nullptr) {
        return nullptr;
    }
    for (const TResMap& entry : ResMap.entries) {
        if (std::strcmp(entry.name, name) == 0) {
            return entry.record;
        }
    }
    return nullptr;
}
