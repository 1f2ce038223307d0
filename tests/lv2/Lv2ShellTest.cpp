// The LV2 bundle as a host sees it through lilv, on a virtual X server (xvfb-run): discovery by
// URI, the factory presets played against the VST 2 shell, control values on their steps, the
// chunk state through a saved song, and the editor in a parent window.
#include <dlfcn.h>
#include <lilv/lilv.h>
#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>
#include <lv2/presets/presets.h>
#include <lv2/state/state.h>
#include <lv2/ui/ui.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <string>
#include <utility>

#include "FactoryPresets.h"
#include "HostPlay.h"
#include "Lv2Ports.h"
#include "Parameter.h"
#include "PianoModule.h"

// After GoogleTest: X11 defines names such as None.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {

constexpr double kRate = 48000.0;  // not the engine's own 44100: the rate must reach it
constexpr int64_t kFrames = 12000;
const std::vector<Message> kNotes = {
    {100, 0x90, 60, 100}, {700, 0x91, 64, 80}, {3000, 0x80, 60, 0}, {9001, 0x9F, 72, 127}};

std::vector<std::string> uris;
LV2_URID mapUri(LV2_URID_Map_Handle, const char* uri) {
    const auto at = std::find(uris.begin(), uris.end(), uri);
    if (at == uris.end()) {
        uris.emplace_back(uri);
        return static_cast<LV2_URID>(uris.size());
    }
    return static_cast<LV2_URID>(at - uris.begin() + 1);
}
const char* unmapUri(LV2_URID_Unmap_Handle, LV2_URID urid) {
    return uris.at(urid - 1).c_str();
}
LV2_URID_Map map{nullptr, mapUri};
LV2_URID_Unmap unmap{nullptr, unmapUri};
const LV2_Feature mapFeature{LV2_URID__map, &map};
const LV2_Feature* const features[] = {&mapFeature, nullptr};

// One plug-in instance at kRate with its port buffers, found by URI in the built bundle.
struct Instance {
    Instance() {
        static LilvWorld* world = lilv_world_new();
        static const LilvPlugin* found = [] {
            LilvNode* bundle = lilv_new_file_uri(world, nullptr, ORVANE_LV2_BUNDLE "/");
            lilv_world_load_bundle(world, bundle);
            LilvNode* uri = lilv_new_uri(world, Lv2Ports::kPluginUri);
            const LilvPlugin* p = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
            lilv_node_free(uri);
            lilv_node_free(bundle);
            return p;
        }();
        lworld = world;
        plugin = found;
        if (plugin == nullptr ||
            (instance = lilv_plugin_instantiate(plugin, kRate, features)) == nullptr) {
            return;
        }
        lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, controls.data());
        for (uint32_t p = 0; p < Lv2Ports::kCount; ++p) {
            lilv_instance_connect_port(instance, p, &controls[p]);
        }
        lilv_instance_connect_port(instance, Lv2Ports::kEvents, events.data());
        lilv_instance_activate(instance);
    }
    ~Instance() {
        if (instance != nullptr) {
            lilv_instance_free(instance);
        }
    }
    // Plays as HostPlay's play does: each message in the block of kBlock frames it falls in.
    Stereo play(const std::vector<Message>& messages, int64_t frames, int32_t block = 512) {
        Stereo out{std::vector<float>(static_cast<size_t>(frames)),
                   std::vector<float>(static_cast<size_t>(frames))};
        auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(events.data());
        size_t next = 0;
        for (int64_t start = 0; start < frames; start += block) {
            const auto n = static_cast<uint32_t>(std::min<int64_t>(block, frames - start));
            seq->atom = {sizeof(LV2_Atom_Sequence_Body), mapUri(nullptr, LV2_ATOM__Sequence)};
            seq->body = {0, 0};
            for (; next < messages.size() && messages[next].frame < start + n; ++next) {
                const Message& m = messages[next];
                struct {
                    LV2_Atom_Event head;
                    uint8_t bytes[3];
                } e{{{m.frame - start}, {3, mapUri(nullptr, LV2_MIDI__MidiEvent)}},
                    {m.status, m.data1, m.data2}};
                lv2_atom_sequence_append_event(seq, sizeof events - sizeof(LV2_Atom), &e.head);
            }
            lilv_instance_connect_port(instance, Lv2Ports::kLeft, out.left.data() + start);
            lilv_instance_connect_port(instance, Lv2Ports::kRight, out.right.data() + start);
            lilv_instance_run(instance, n);
        }
        return out;
    }
    // The bytes the plug-in saves through its state interface.
    std::vector<uint8_t> chunk() {
        const auto* state = static_cast<const LV2_State_Interface*>(
            lilv_instance_get_extension_data(instance, LV2_STATE__interface));
        std::vector<uint8_t> bytes;
        state->save(
            lilv_instance_get_handle(instance),
            [](LV2_State_Handle h, uint32_t, const void* v, size_t size, uint32_t, uint32_t) {
                const auto* b = static_cast<const uint8_t*>(v);
                static_cast<std::vector<uint8_t>*>(h)->assign(b, b + size);
                return LV2_STATE_SUCCESS;
            },
            &bytes, 0, nullptr);
        return bytes;
    }
    // A state's port values, written to the control ports (lilv's set-value callback).
    static void setControl(const char* symbol, void* self, const void* value, uint32_t, uint32_t) {
        for (int32_t slot = 1; slot <= Lv2Ports::kControlCount; ++slot) {
            if (std::strcmp(symbol, Lv2Ports::kControls[static_cast<size_t>(slot - 1)].symbol) ==
                0) {
                std::memcpy(&static_cast<Instance*>(self)->controls[Lv2Ports::portOf(slot)], value,
                            4);
            }
        }
    }

    LilvWorld* lworld = nullptr;
    const LilvPlugin* plugin = nullptr;
    LilvInstance* instance = nullptr;
    std::array<float, Lv2Ports::kCount> controls{};
    std::array<uint64_t, 64> events{};
};

// The reference parameters: real values of steps as the VST 2 shell's module has them.
const PianoModule& reference() {
    static PianoModule module;
    static const bool ready = module.setup();
    (void)ready;
    return module;
}

}  // namespace

TEST(Lv2Shell, PresetsPlayBitIdenticalToTheVst2Shell) {
    Instance probe;
    ASSERT_NE(probe.instance, nullptr) << "no " << Lv2Ports::kPluginUri << " in " ORVANE_LV2_BUNDLE;
    LilvNode* presetClass = lilv_new_uri(probe.lworld, LV2_PRESETS__Preset);
    LilvNode* label = lilv_new_uri(probe.lworld, LILV_NS_RDFS "label");
    LilvNodes* presets = lilv_plugin_get_related(probe.plugin, presetClass);
    size_t played = 0;
    LILV_FOREACH(nodes, i, presets) {
        const LilvNode* node = lilv_nodes_get(presets, i);
        lilv_world_load_resource(probe.lworld, node);
        LilvNode* name = lilv_world_get(probe.lworld, node, label, nullptr);
        const FactoryPresets::Preset* preset = FactoryPresets::find(lilv_node_as_string(name));
        lilv_node_free(name);
        ASSERT_NE(preset, nullptr);
        Instance lv2;
        LilvState* state = lilv_state_new_from_world(probe.lworld, &map, node);
        lilv_state_restore(state, lv2.instance, Instance::setControl, &lv2, 0, nullptr);
        lilv_state_free(state);
        std::vector<float> hostValues;
        for (int32_t slot = 1; slot <= FactoryPresets::kSlotCount; ++slot) {
            hostValues.push_back(FactoryPresets::hostValue(*preset, slot));
        }
        const Stereo expected = play(static_cast<float>(kRate), 512, kNotes, kFrames, hostValues);
        const Stereo heard = lv2.play(kNotes, kFrames);
        EXPECT_TRUE(heard.left == expected.left && heard.right == expected.right) << preset->name;
        const float peak = *std::max_element(heard.left.begin(), heard.left.end());
        EXPECT_TRUE(std::isfinite(peak) && peak > 0.01f) << preset->name << " " << peak;
        ++played;
    }
    EXPECT_EQ(played, FactoryPresets::kAll.size());
    lilv_nodes_free(presets);
    lilv_node_free(label);
    lilv_node_free(presetClass);
}

// Every step's real value, written to its port, is what the chunk then holds for that slot;
// a value a little off the step lands on it too.
TEST(Lv2Shell, ControlValuesLandOnTheirSteps) {
    Instance lv2;
    ASSERT_NE(lv2.instance, nullptr);
    for (int32_t slot = 1; slot <= Lv2Ports::kControlCount; ++slot) {
        const Parameter& p = *reference().parameterAt(slot);
        for (int32_t step = 0; step <= p.stepCount(); ++step) {
            const float value = p.realValueAt(step);
            for (const float sent : {value, std::nextafter(value, 1e9f)}) {
                lv2.controls[Lv2Ports::portOf(slot)] = sent;
                lv2.play({}, 1);
                float held = 0.0f;
                std::memcpy(&held, lv2.chunk().data() + 24 + 4 * slot, 4);
                ASSERT_EQ(held, value) << p.name() << " step " << step << " sent " << sent;
            }
        }
    }
}

// A song saved as text and loaded into a fresh instance restores the chunk, which then stands
// while the fresh instance's ports keep their defaults.
TEST(Lv2Shell, StateRoundTripsThroughASavedSong) {
    Instance saved;
    ASSERT_NE(saved.instance, nullptr);
    const auto& vintage = FactoryPresets::find("Vintage")->steps;
    for (int32_t slot = 1; slot <= Lv2Ports::kControlCount; ++slot) {
        saved.controls[Lv2Ports::portOf(slot)] =
            reference().parameterAt(slot)->realValueAt(vintage[static_cast<size_t>(slot - 1)]);
    }
    saved.play(kNotes, 1024);
    LilvState* state =
        lilv_state_new_from_instance(saved.plugin, saved.instance, &map, nullptr, nullptr, nullptr,
                                     nullptr, nullptr, nullptr, 0, nullptr);
    char* song =
        lilv_state_to_string(saved.lworld, &map, &unmap, state, "urn:orvane:song", nullptr);
    LilvState* loaded = lilv_state_new_from_string(saved.lworld, &map, song);
    Instance restored;
    restored.play({}, 1);
    ASSERT_NE(restored.chunk(), saved.chunk());
    lilv_state_restore(loaded, restored.instance, nullptr, nullptr, 0, nullptr);
    restored.play({}, 1);
    EXPECT_EQ(restored.chunk(), saved.chunk());
    EXPECT_EQ(restored.chunk().size(), static_cast<size_t>(PianoModule::kChunkSize));
    lilv_state_free(loaded);
    lilv_free(song);
    lilv_state_free(state);
}

// The editor opens as a child of the host's window; a drag on the Decay knob (centre 54, 173)
// 39 pixels up reaches step 50 + 50 x 0.406 = 70, whose real value 10 x 10^(70/50) = 251.2 %
// shows as 250: the UI writes 250 to the Decay port. Closing removes the window.
TEST(Lv2Shell, EditorWritesKnobMovesToControlPorts) {
    Instance lv2;
    ASSERT_NE(lv2.instance, nullptr);
    const LilvUI* ui = lilv_uis_get(lilv_plugin_get_uis(lv2.plugin),
                                    lilv_uis_begin(lilv_plugin_get_uis(lv2.plugin)));
    char* path = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_binary_uri(ui)), nullptr);
    void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    lilv_free(path);
    ASSERT_NE(library, nullptr) << dlerror();
    using Entry = const LV2UI_Descriptor* (*)(uint32_t);
    const LV2UI_Descriptor* d = reinterpret_cast<Entry>(dlsym(library, "lv2ui_descriptor"))(0);
    Display* x = XOpenDisplay(nullptr);
    ASSERT_NE(x, nullptr);
    const Window parent = XCreateSimpleWindow(x, DefaultRootWindow(x), 50, 40, 700, 300, 0, 0, 0);
    XMapWindow(x, parent);
    XSync(x, False);
    const LV2_Feature parentFeature{LV2_UI__parent, reinterpret_cast<void*>(uintptr_t{parent})};
    const LV2_Feature idleFeature{LV2_UI__idleInterface, nullptr};
    const LV2_Feature* const uiFeatures[] = {&mapFeature, &parentFeature, &idleFeature, nullptr};
    static std::vector<std::pair<uint32_t, float>> writes;
    const auto write = [](LV2UI_Controller, uint32_t port, uint32_t, uint32_t, const void* v) {
        writes.emplace_back(port, *static_cast<const float*>(v));
    };
    LV2UI_Widget widget = nullptr;
    LV2UI_Handle handle = d->instantiate(d, Lv2Ports::kPluginUri, ORVANE_LV2_BUNDLE, write, nullptr,
                                         &widget, uiFeatures);
    ASSERT_NE(handle, nullptr);
    const auto* idle =
        static_cast<const LV2UI_Idle_Interface*>(d->extension_data(LV2_UI__idleInterface));
    const auto children = [&] {
        Window root = 0, up = 0, *list = nullptr;
        unsigned int n = 0;
        XQueryTree(x, parent, &root, &up, &list, &n);
        std::vector<Window> found(list, list + n);
        XFree(list);
        return found;
    };
    EXPECT_EQ(children(),
              std::vector<Window>{static_cast<Window>(reinterpret_cast<uintptr_t>(widget))});
    const float tune = 25.0f;
    d->port_event(handle, Lv2Ports::portOf(7), sizeof tune, 0, &tune);
    const auto mouse = [&](int px, int py, int button) {
        Window child = 0;
        XTranslateCoordinates(x, parent, DefaultRootWindow(x), px, py, &px, &py, &child);
        XTestFakeMotionEvent(x, -1, px, py, CurrentTime);
        if (button >= 0) {
            XTestFakeButtonEvent(x, 1, button, CurrentTime);
        }
        for (int i = 0; i < 10; ++i) {
            XSync(x, False);
            idle->idle(handle);
            usleep(5000);
        }
    };
    mouse(54, 173, True);
    mouse(54, 134, -1);
    mouse(54, 134, False);
    EXPECT_EQ(writes, (std::vector<std::pair<uint32_t, float>>{{Lv2Ports::portOf(1), 250.0f}}));
    d->cleanup(handle);
    XSync(x, False);
    EXPECT_TRUE(children().empty());
    XCloseDisplay(x);
    dlclose(library);
}
