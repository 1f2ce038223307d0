#pragma once

#include <cstdint>

// A resource object that an external module hands out through GetRessource, read through a
// fixed layout of the resource record's operations, not this compiler's own virtual table:
// the object's first word points to eight entries in slot order (destructor, type, subtype,
// reserved word, name, checksum, size, data), each a member call. The destructor takes one
// slot, as the modules' compilers lay it out; this compiler's virtual destructor would take two
// and shift every later slot, so there is none here and the framework never destroys an
// object it is handed. It calls only name, size and data. On 32-bit Windows the slots are
// member calls (thiscall, the object in ECX), as GCC and the modules' compilers both make them;
// x86-64 has one calling convention, the object going first. The 32-bit results read the same
// under LLP64 (64-bit Windows), and from a 64-bit long only their low half is read.
class ExternalRecord {
public:
    virtual void* destroy(unsigned flags) = 0;  // the destructor's slot; never called
    virtual uint32_t type() const = 0;
    virtual uint32_t subtype() const = 0;
    virtual int32_t reserved() const = 0;
    virtual const char* name() const = 0;
    virtual uint32_t checksum() const = 0;
    virtual int32_t size() const = 0;
    virtual const uint8_t* data() const = 0;

protected:
    ~ExternalRecord() = default;
};
