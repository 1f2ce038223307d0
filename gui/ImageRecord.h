#pragma once

#include "ResourceRecord.h"

// An embedded PNG image ('imag' / 'png ').
class ImageRecord : public ResourceRecord {
public:
    ImageRecord(const char* name, uint32_t checksum, int32_t size, const uint8_t* data)
        : ResourceRecord(kImageType, kPngSubtype, 0, name, checksum, size, data) {}
};
