#include "ResourceRecord.h"

ResourceRecord::ResourceRecord(uint32_t type, uint32_t subtype, int32_t reserved, const char* name,
                               uint32_t checksum, int32_t size, const uint8_t* data)
    : typeCode(type),
      subtypeCode(subtype),
      reservedWord(reserved),
      resourceName(name != nullptr ? name : ""),
      crcRegister(checksum),
      byteCount(size),
      bytes(data) {}

ResourceRecord::~ResourceRecord() = default;

uint32_t ResourceRecord::type() const {
    return typeCode;
}
uint32_t ResourceRecord::subtype() const {
    return subtypeCode;
}
int32_t ResourceRecord::reserved() const {
    return reservedWord;
}
const char* ResourceRecord::name() const {
    return resourceName.c_str();
}
uint32_t ResourceRecord::checksum() const {
    return crcRegister;
}
int32_t ResourceRecord::size() const {
    return byteCount;
}
const uint8_t* ResourceRecord::data() const {
    return bytes;
}
