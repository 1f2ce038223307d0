#include "ProgramFile.h"

#include <algorithm>

#include "Vst2Abi.h"

namespace {

void putWord(std::vector<uint8_t>& out, int64_t value) {
    const auto v = static_cast<uint32_t>(value);
    out.insert(out.end(), {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16),
                           static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)});
}

}  // namespace

std::vector<uint8_t> ProgramFile::bytes(int32_t uniqueId, int32_t version, int32_t parameterCount,
                                        const std::string& name,
                                        const std::vector<uint8_t>& chunk) {
    std::vector<uint8_t> out;
    out.reserve(kHeaderSize + chunk.size());
    putWord(out, vst2::fourCharCode('C', 'c', 'n', 'K'));
    putWord(out, static_cast<int64_t>(kHeaderSize + chunk.size() - 8));
    putWord(out, vst2::fourCharCode('F', 'P', 'C', 'h'));
    putWord(out, 1);
    putWord(out, uniqueId);
    putWord(out, version);
    putWord(out, parameterCount);
    const size_t length = std::min(name.size(), kNameSize - 1);
    out.insert(out.end(), name.begin(), name.begin() + static_cast<std::ptrdiff_t>(length));
    out.resize(out.size() + kNameSize - length, 0);
    putWord(out, static_cast<int64_t>(chunk.size()));
    out.insert(out.end(), chunk.begin(), chunk.end());
    return out;
}
