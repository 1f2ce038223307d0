#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A VST 2 program file (.fxp) holding one program as the plug-in's opaque chunk. Every field
// is a big-endian 32-bit word:
//   0 'CcnK'   4 byte size of the rest (the file less these 8 bytes)   8 'FPCh'
//   12 format version 1   16 the plug-in's unique ID   20 the plug-in's version
//   24 the plug-in's parameter count   28 the program name, 28 bytes, NUL-terminated
//   56 the chunk's size   60 the chunk itself, as the plug-in gave it
class ProgramFile {
public:
    static constexpr size_t kHeaderSize = 60;
    static constexpr size_t kNameSize = 28;

    // The file's bytes; a name longer than 27 characters is cut.
    static std::vector<uint8_t> bytes(int32_t uniqueId, int32_t version, int32_t parameterCount,
                                      const std::string& name, const std::vector<uint8_t>& chunk);
};
