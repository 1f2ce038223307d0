#pragma once

#include "ResourceRecord.h"

// An embedded PostScript Type 1 font in PFB segments ('font' / 'typ1').
class FontRecord : public ResourceRecord {
public:
    FontRecord(const char* name, uint32_t checksum, int32_t size, const uint8_t* data)
        : ResourceRecord(kFontType, kType1Subtype, 0, name, checksum, size, data) {}
};
