#pragma once

#include <array>
#include <cstdint>

// The ports of the LV2 instrument and what a description says of each control: the MIDI
// input, the two outputs, then one control per parameter slot 1 to 10 in the units the editor
// shows. A control's value is a real value of its parameter; the shell sets the parameter to
// the lowest step whose real value lies nearest, the UI writes the real value of a step.
class Lv2Ports {
public:
    static constexpr const char* kPluginUri = "urn:orvane:piano";
    static constexpr const char* kUiUri = "urn:orvane:piano#ui";
    static constexpr const char* kChunkKey = "urn:orvane:piano#chunk";

    static constexpr uint32_t kEvents = 0;
    static constexpr uint32_t kLeft = 1;
    static constexpr uint32_t kRight = 2;
    static constexpr uint32_t kFirstControl = 3;
    static constexpr int32_t kControlCount = 10;
    static constexpr uint32_t kCount = kFirstControl + kControlCount;

    enum class Scale { kLinear, kLogarithmic, kInteger, kKnee };

    struct Control {
        const char* symbol;
        const char* unit;  // an LV2 units URI, or none
        Scale scale;
    };

    // Slots 1 to 10, in port order.
    static constexpr std::array<Control, kControlCount> kControls = {{
        {"decay", "http://lv2plug.in/ns/extensions/units#pc", Scale::kLogarithmic},
        {"release", "http://lv2plug.in/ns/extensions/units#pc", Scale::kLogarithmic},
        {"bell_volume", nullptr, Scale::kKnee},
        {"damper_volume", nullptr, Scale::kKnee},
        {"stereo", nullptr, Scale::kLinear},
        {"voices", nullptr, Scale::kInteger},
        {"tune", "http://lv2plug.in/ns/extensions/units#cent", Scale::kLinear},
        {"tremolo_rate", "http://lv2plug.in/ns/extensions/units#hz", Scale::kLinear},
        {"tremolo_depth", "http://lv2plug.in/ns/extensions/units#pc", Scale::kLinear},
        {"tremolo_stereo", "http://lv2plug.in/ns/extensions/units#degree", Scale::kLinear},
    }};

    // The parameter slot of a control port, 0 for the other ports.
    static constexpr int32_t slotOf(uint32_t port) noexcept {
        return port >= kFirstControl && port < kCount
                   ? static_cast<int32_t>(port - kFirstControl) + 1
                   : 0;
    }
    static constexpr uint32_t portOf(int32_t slot) noexcept {
        return kFirstControl + static_cast<uint32_t>(slot - 1);
    }
};
