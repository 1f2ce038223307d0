// Writes the LV2 bundle's Turtle files: orvane-lv2-ttl <bundle dir> <DSP binary> <UI binary>.
#include <cstdio>
#include <fstream>
#include <string>

#include "Lv2Description.h"
#include "PianoModule.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: orvane-lv2-ttl <bundle dir> <DSP binary> <UI binary>\n");
        return 2;
    }
    PianoModule module;
    module.setChannels(1, 2);
    module.setup();
    const Lv2Description description(module);
    const std::string dir = argv[1];
    const auto write = [&dir](const char* name, const std::string& text) {
        std::ofstream file(dir + "/" + name, std::ios::binary);
        file << text;
        return static_cast<bool>(file);
    };
    const bool written = write("manifest.ttl", description.manifest(argv[2], argv[3])) &&
                         write(Lv2Description::kPluginFile, description.plugin()) &&
                         write(Lv2Description::kPresetsFile, description.presets());
    if (!written) {
        std::fprintf(stderr, "orvane-lv2-ttl: cannot write into %s\n", argv[1]);
    }
    return written ? 0 : 1;
}
