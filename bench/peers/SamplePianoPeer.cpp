#include "SamplePianoPeer.h"

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/core/lv2.h>
#include <lv2/midi/midi.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <stdexcept>

namespace {
constexpr double kRate = 44100.0;
constexpr uint32_t kSequenceCapacity = 1 << 16;  // bytes: far more than 128 MIDI events
}  // namespace

// The LV2 host side: the world, the plug-in, a URI map and the port buffers.
struct SamplePianoPeer::Host {
    Host() {
        world = lilv_world_new();
        lilv_world_load_all(world);
        LilvNode* uri = lilv_new_uri(world, kUri);
        plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
        lilv_node_free(uri);
        if (plugin == nullptr) {
            throw std::runtime_error(std::string("LV2 plug-in not installed: ") + kUri);
        }
        map.handle = this;
        map.map = [](LV2_URID_Map_Handle handle, const char* name) -> LV2_URID {
            auto& known = static_cast<Host*>(handle)->uris;
            for (size_t i = 0; i < known.size(); ++i) {
                if (known[i] == name) {
                    return static_cast<LV2_URID>(i + 1);
                }
            }
            known.emplace_back(name);
            return static_cast<LV2_URID>(known.size());
        };
        mapFeature = {LV2_URID__map, &map};
        sequenceType = map.map(this, LV2_ATOM__Sequence);
        midiType = map.map(this, LV2_MIDI__MidiEvent);
        sequence.resize(kSequenceCapacity / sizeof(uint64_t));

        const uint32_t ports = lilv_plugin_get_num_ports(plugin);
        values.resize(ports);
        std::vector<float> lowest(ports), highest(ports);
        lilv_plugin_get_port_ranges_float(plugin, lowest.data(), highest.data(), values.data());
        LilvNode* audio = lilv_new_uri(world, LV2_CORE__AudioPort);
        LilvNode* control = lilv_new_uri(world, LV2_CORE__ControlPort);
        LilvNode* atom = lilv_new_uri(world, LV2_ATOM__AtomPort);
        LilvNode* output = lilv_new_uri(world, LV2_CORE__OutputPort);
        for (uint32_t p = 0; p < ports; ++p) {
            const LilvPort* port = lilv_plugin_get_port_by_index(plugin, p);
            if (lilv_port_is_a(plugin, port, audio)) {
                (lilv_port_is_a(plugin, port, output) ? audioOutputs : audioInputs).push_back(p);
            } else if (lilv_port_is_a(plugin, port, control)) {
                controls.push_back(p);
                if (std::isnan(values[p])) {
                    values[p] = 0.0f;
                }
            } else if (lilv_port_is_a(plugin, port, atom) &&
                       !lilv_port_is_a(plugin, port, output)) {
                midiInput = static_cast<int>(p);
            }
        }
        lilv_node_free(audio);
        lilv_node_free(control);
        lilv_node_free(atom);
        lilv_node_free(output);
        if (audioOutputs.size() != 2 || midiInput < 0) {
            throw std::runtime_error("unexpected ports of " + std::string(kUri));
        }
        defaults = values;
        instantiate();
    }

    ~Host() {
        release();
        lilv_world_free(world);
    }

    void instantiate() {
        release();
        const LV2_Feature* features[] = {&mapFeature, nullptr};
        instance = lilv_plugin_instantiate(plugin, kRate, features);
        if (instance == nullptr) {
            throw std::runtime_error("cannot instantiate " + std::string(kUri));
        }
        values = defaults;
        for (uint32_t p : controls) {
            lilv_instance_connect_port(instance, p, &values[p]);
        }
        silence.assign(4096, 0.0f);
        for (uint32_t p : audioInputs) {
            lilv_instance_connect_port(instance, p, silence.data());
        }
        lilv_instance_connect_port(instance, static_cast<uint32_t>(midiInput), sequence.data());
        lilv_instance_activate(instance);
    }

    void release() {
        if (instance != nullptr) {
            lilv_instance_deactivate(instance);
            lilv_instance_free(instance);
            instance = nullptr;
        }
    }

    void run(const BlockEvent* events, size_t count, int frames, float* left, float* right) {
        auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(sequence.data());
        seq->atom.type = sequenceType;
        seq->body.unit = 0;  // event times in frames
        seq->body.pad = 0;
        lv2_atom_sequence_clear(seq);
        struct {
            LV2_Atom_Event header;
            uint8_t message[3];
        } event{};
        for (size_t i = 0; i < count; ++i) {
            event.header.time.frames = events[i].offset;
            event.header.body.type = midiType;
            event.header.body.size = 3;
            event.message[0] = events[i].status;
            event.message[1] = events[i].data1;
            event.message[2] = events[i].data2;
            lv2_atom_sequence_append_event(seq, kSequenceCapacity - sizeof(LV2_Atom),
                                           &event.header);
        }
        lilv_instance_connect_port(instance, audioOutputs[0], left);
        lilv_instance_connect_port(instance, audioOutputs[1], right);
        lilv_instance_run(instance, static_cast<uint32_t>(frames));
    }

    LilvWorld* world = nullptr;
    const LilvPlugin* plugin = nullptr;
    LilvInstance* instance = nullptr;
    LV2_URID_Map map{};
    LV2_Feature mapFeature{};
    std::vector<std::string> uris;
    LV2_URID sequenceType = 0;
    LV2_URID midiType = 0;
    std::vector<uint64_t> sequence;  // 8-byte aligned atom sequence
    std::vector<float> values;       // control port values
    std::vector<float> defaults;
    std::vector<float> silence;
    std::vector<uint32_t> controls;
    std::vector<uint32_t> audioInputs;
    std::vector<uint32_t> audioOutputs;
    int midiInput = -1;
};

SamplePianoPeer::SamplePianoPeer() : host(std::make_unique<Host>()) {}

SamplePianoPeer::~SamplePianoPeer() = default;

void SamplePianoPeer::restart() {
    host->instantiate();
}

void SamplePianoPeer::block(const BlockEvent* events, size_t count, int frames, float* left,
                            float* right) {
    host->run(events, count, frames, left, right);
}
