#pragma once

#include <cstdint>
#include <string>

#include "FourCharCode.h"

// One resource carried inside the module: its kind and format codes, its name, the CRC-32
// register of its bytes before the final inversion, and the bytes themselves. The bytes live in
// the module's read-only data and are never copied or freed; only the name is an owned copy.
// External resource modules hand out objects of this class too, so the operations are virtual.
class ResourceRecord {
public:
    static constexpr uint32_t kImageType = fourCharCode("imag");
    static constexpr uint32_t kFontType = fourCharCode("font");
    static constexpr uint32_t kPngSubtype = fourCharCode("png ");
    static constexpr uint32_t kType1Subtype = fourCharCode("typ1");

    ResourceRecord(uint32_t type, uint32_t subtype, int32_t reserved, const char* name,
                   uint32_t checksum, int32_t size, const uint8_t* data);
    virtual ~ResourceRecord();
    ResourceRecord(const ResourceRecord&) = delete;
    ResourceRecord& operator=(const ResourceRecord&) = delete;

    virtual uint32_t type() const;
    virtual uint32_t subtype() const;
    virtual int32_t reserved() const;
    // Never null: an empty name answers "".
    virtual const char* name() const;
    virtual uint32_t checksum() const;
    virtual int32_t size() const;
    virtual const uint8_t* data() const;

private:
    uint32_t typeCode;
    uint32_t subtypeCode;
    int32_t reservedWord;
    std::string resourceName;
    uint32_t crcRegister;
    int32_t byteCount;
    const uint8_t* bytes;
};
