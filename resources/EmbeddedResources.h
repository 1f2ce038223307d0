#pragma once

#include <cstdint>

#include "ResourceRecord.h"

// One entry of the exported resource table: the resource's name and its record.
struct TResMap {
    const char* name;
    const ResourceRecord* record;
};

// The exported table: four entries followed by their count (4).
struct ResMapTable {
    TResMap entries[4];
    int32_t count;
};

#if defined(_WIN32)
#define ORVANE_DATA_EXPORT __declspec(dllexport)
#else
#define ORVANE_DATA_EXPORT __attribute__((visibility("default")))
#endif

// The module's resources for readers outside the module; nothing inside reads it.
extern "C" ORVANE_DATA_EXPORT const ResMapTable ResMap;

// The four records the module carries, built during static initialisation in this order:
// "qorin_back", "qorin_poti_01", "qorin_poti_02", "u004004t".
class EmbeddedResources {
public:
    static const ResourceRecord& background();      // "qorin_back", 600 x 246 RGB
    static const ResourceRecord& largeKnobStrip();  // "qorin_poti_01", 73 cells of 56 x 55
    static const ResourceRecord& smallKnobStrip();  // "qorin_poti_02", 73 cells of 31 x 31
    static const ResourceRecord& displayFont();     // "u004004t", Type 1 in PFB segments
    // The record of that name, or null.
    static const ResourceRecord* find(const char* name);
};
