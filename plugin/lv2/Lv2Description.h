#pragma once

#include <string>

class PianoModule;

// The Turtle files of the LV2 bundle, written from the instrument itself: the manifest, the
// plug-in and UI description (each control's name, range and default from its parameter) and
// the factory presets as control values.
class Lv2Description {
public:
    // The module's parameters give the controls' names, ranges and defaults.
    explicit Lv2Description(const PianoModule& module) : instrument(module) {}

    std::string manifest(const std::string& dspBinary, const std::string& uiBinary) const;
    std::string plugin() const;
    std::string presets() const;

    static constexpr const char* kPluginFile = "orvane-piano.ttl";
    static constexpr const char* kPresetsFile = "presets.ttl";

private:
    // The real value of a step as Turtle's decimal text, read back as the same float.
    static std::string number(float v);

    const PianoModule& instrument;
};
