# Turns one resource file into a C++ translation unit at build time:
#   cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -DSYMBOL=<identifier> -P EmbedResource.cmake
# It defines <SYMBOL>_bytes (the file's bytes), <SYMBOL>_size and <SYMBOL>_checksum: the
# CRC-32 register (reflected polynomial 0xEDB88320, preset 0xFFFFFFFF) after the last byte and
# before the final inversion, i.e. the standard CRC-32 of the bytes with all 32 bits inverted.

if(NOT INPUT OR NOT OUTPUT OR NOT SYMBOL)
    message(FATAL_ERROR "EmbedResource.cmake needs INPUT, OUTPUT and SYMBOL")
endif()

file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")

# Byte-wise CRC table: entry i is i shifted through eight steps of the reflected polynomial.
set(table "")
foreach(i RANGE 255)
    set(c ${i})
    foreach(k RANGE 7)
        math(EXPR low "${c} & 1")
        if(low)
            math(EXPR c "(${c} >> 1) ^ 0xEDB88320")
        else()
            math(EXPR c "${c} >> 1")
        endif()
    endforeach()
    list(APPEND table ${c})
endforeach()

set(crc 4294967295)
if(size GREATER 0)
    string(REGEX MATCHALL ".." bytes "${hex}")
    foreach(b IN LISTS bytes)
        math(EXPR index "(${crc} ^ 0x${b}) & 255")
        list(GET table ${index} t)
        math(EXPR crc "(${crc} >> 8) ^ ${t}")
    endforeach()
endif()
math(EXPR crc "${crc}" OUTPUT_FORMAT HEXADECIMAL)

# Sixteen bytes to a line: break the hex text every 32 digits, then spell out each byte.
string(REPEAT "[0-9a-f]" 32 line_pattern)
string(REGEX REPLACE "(${line_pattern})" "\\1\n" array "${hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," array "${array}")
if(size EQUAL 0)
    set(array "0x00")  # an array needs one element; the size stays 0
endif()

get_filename_component(source_name "${INPUT}" NAME)
file(WRITE "${OUTPUT}.tmp"
"// Generated at build time from ${source_name} by EmbedResource.cmake; do not edit.
#include <cstdint>

extern const uint8_t ${SYMBOL}_bytes[];
extern const int32_t ${SYMBOL}_size;
extern const uint32_t ${SYMBOL}_checksum;

alignas(16) const uint8_t ${SYMBOL}_bytes[] = {
${array}
};
const int32_t ${SYMBOL}_size = ${size};
const uint32_t ${SYMBOL}_checksum = ${crc}u;
")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
