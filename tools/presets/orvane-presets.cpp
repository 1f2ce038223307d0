// orvane-presets: writes one VST 2 program file (.fxp) per factory preset into a folder, each
// holding the chunk the plug-in itself saves with the preset's steps set.

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "FactoryPresets.h"
#include "PianoPlugin.h"
#include "ProgramFile.h"

namespace {

// The host side of the plug-in object: nothing to answer while presets are written.
intptr_t VST2_CALLBACK silentHost(vst2::AEffect*, int32_t, int32_t, intptr_t, void*, float) {
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: orvane-presets FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    PianoPlugin plugin(&silentHost);
    PianoModule& module = plugin.engineModule();
    const vst2::AEffect& effect = *plugin.getAeffect();
    for (const FactoryPresets::Preset& preset : FactoryPresets::kAll) {
        for (int32_t slot = 1; slot <= FactoryPresets::kSlotCount; ++slot) {
            const auto k = static_cast<size_t>(slot - 1);
            if (module.parameterStepCount(slot) != FactoryPresets::kStepCounts[k]) {
                std::fprintf(stderr, "orvane-presets: slot %d has %d steps, the table says %d\n",
                             slot, module.parameterStepCount(slot), FactoryPresets::kStepCounts[k]);
                return 1;
            }
            module.setParameterValue(slot, preset.steps[k]);
        }
        void* data = nullptr;
        const intptr_t size = plugin.getChunk(&data, true);
        const auto* bytes = static_cast<const uint8_t*>(data);
        const std::vector<uint8_t> chunk(bytes, bytes + (data != nullptr ? size : 0));
        const std::vector<uint8_t> file = ProgramFile::bytes(effect.uniqueID, effect.version,
                                                             effect.numParams, preset.name, chunk);
        const std::string path = (folder / (std::string(preset.name) + ".fxp")).string();
        std::FILE* out = std::fopen(path.c_str(), "wb");
        const bool written = out != nullptr && !chunk.empty() &&
                             std::fwrite(file.data(), 1, file.size(), out) == file.size();
        if (out == nullptr || std::fclose(out) != 0 || !written) {
            std::fprintf(stderr, "orvane-presets: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
