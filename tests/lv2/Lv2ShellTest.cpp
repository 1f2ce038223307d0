// The built LV2 bundle as a host loads it through lilv, on a virtual X server (xvfb-run).
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
const std::vector<Message> kNotes = {
    {100, 0x90, 60, 100}, {700, 0x91, 64, 80}, {3000, 0x80, 60, 0}, {9001, 0x9F, 72, 127}};

std::vector<std::string> uris;
LV2_URID_Map map{
    nullptr, [](LV2_URID_Map_Handle, const char* uri) {
        uris.emplace_back(uri);  // a URI met before keeps its first number
        return static_cast<LV2_URID>(std::find(uris.begin(), uris.end(), uri) - uris.begin() + 1);
    }};
LV2_URID_Unmap unmap{nullptr,
                     [](LV2_URID_Unmap_Handle, LV2_URID id) { return uris[id - 1].c_str(); }};
const LV2_Feature mapFeature{LV2_URID__map, &map};
const LV2_Feature* const features[] = {&mapFeature, nullptr};
LilvWorld* const world = lilv_world_new();

// The plug-in found by its URI in the bundle (none when the bundle does not describe it).
const LilvPlugin* plugin() {
    static const LilvPlugin* found = [] {
        LilvNode* bundle = lilv_new_file_uri(world, nullptr, ORVANE_LV2_BUNDLE "/");
        LilvNode* uri = lilv_new_uri(world, Lv2Ports::kPluginUri);
        lilv_world_load_bundle(world, bundle);
        const LilvPlugin* p = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
        lilv_node_free(uri);
        lilv_node_free(bundle);
        return p;
    }();
    return found;
}

// One instance at kRate, its controls at their defaults, activated.
struct Instance {
    Instance() : instance(lilv_plugin_instantiate(plugin(), kRate, features)) {
        lilv_plugin_get_port_ranges_float(plugin(), nullptr, nullptr, controls.data());
        for (uint32_t p = Lv2Ports::kFirstControl; p < Lv2Ports::kCount; ++p) {
            lilv_instance_connect_port(instance, p, &controls[p]);
        }
        lilv_instance_connect_port(instance, Lv2Ports::kEvents, events.data());
        lilv_instance_activate(instance);
    }
    ~Instance() { lilv_instance_free(instance); }
    // As HostPlay's play: blocks of 512 frames, each with the messages that fall in it.
    Stereo play(const std::vector<Message>& messages, int64_t frames) {
        Stereo out{std::vector<float>(static_cast<size_t>(frames)),
                   std::vector<float>(static_cast<size_t>(frames))};
        auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(events.data());
        auto next = messages.begin();
        for (int64_t start = 0; start < frames; start += 512) {
            const auto n = static_cast<uint32_t>(std::min<int64_t>(512, frames - start));
            *seq = {{sizeof(LV2_Atom_Sequence_Body), map.map(nullptr, LV2_ATOM__Sequence)}, {0, 0}};
            for (; next != messages.end() && next->frame < start + n; ++next) {
                struct {
                    LV2_Atom_Event head;
                    uint8_t bytes[3];
                } e{{{next->frame - start}, {3, map.map(nullptr, LV2_MIDI__MidiEvent)}},
                    {next->status, next->data1, next->data2}};
                lv2_atom_sequence_append_event(seq, sizeof events - sizeof(LV2_Atom), &e.head);
            }
            lilv_instance_connect_port(instance, Lv2Ports::kLeft, out.left.data() + start);
            lilv_instance_connect_port(instance, Lv2Ports::kRight, out.right.data() + start);
            lilv_instance_run(instance, n);
        }
        return out;
    }
    // What the plug-in saves through its state interface.
    std::vector<uint8_t> chunk() {
        std::vector<uint8_t> bytes;
        static_cast<const LV2_State_Interface*>(
            lilv_instance_get_extension_data(instance, LV2_STATE__interface))
            ->save(
                lilv_instance_get_handle(instance),
                [](LV2_State_Handle h, uint32_t, const void* v, size_t size, uint32_t, uint32_t) {
                    const auto* b = static_cast<const uint8_t*>(v);
                    static_cast<std::vector<uint8_t>*>(h)->assign(b, b + size);
                    return LV2_STATE_SUCCESS;
                },
                &bytes, 0, nullptr);
        return bytes;
    }

    LilvInstance* instance;
    std::array<float, Lv2Ports::kCount> controls{};
    std::array<uint64_t, 64> events{};
};

}  // namespace

// Each factory preset, loaded as a host loads it, plays bit-identical to the VST 2 shell set to
// the same steps; the chunk it saves restores into a fresh instance through a song saved as
// text, and stands there while that instance's ports keep their defaults.
TEST(Lv2Shell, PresetsPlayAsTheVst2ShellAndTheirStateRoundTrips) {
    ASSERT_NE(plugin(), nullptr) << Lv2Ports::kPluginUri << " in " ORVANE_LV2_BUNDLE;
    LilvNode* presetClass = lilv_new_uri(world, LV2_PRESETS__Preset);
    LilvNodes* presets = lilv_plugin_get_related(plugin(), presetClass);
    EXPECT_EQ(lilv_nodes_size(presets), FactoryPresets::kAll.size());
    LILV_FOREACH(nodes, i, presets) {
        lilv_world_load_resource(world, lilv_nodes_get(presets, i));
        LilvState* preset = lilv_state_new_from_world(world, &map, lilv_nodes_get(presets, i));
        const FactoryPresets::Preset* p = FactoryPresets::find(lilv_state_get_label(preset));
        ASSERT_NE(p, nullptr) << lilv_state_get_label(preset);
        Instance lv2;
        const auto setControl = [](const char* symbol, void* self, const void* v, uint32_t,
                                   uint32_t) {
            LilvNode* name = lilv_new_string(world, symbol);
            const uint32_t port =
                lilv_port_get_index(plugin(), lilv_plugin_get_port_by_symbol(plugin(), name));
            std::memcpy(&static_cast<Instance*>(self)->controls.at(port), v, sizeof(float));
            lilv_node_free(name);
        };
        lilv_state_restore(preset, lv2.instance, setControl, &lv2, 0, nullptr);
        std::vector<float> hostValues;
        for (int32_t slot = 1; slot <= FactoryPresets::kSlotCount; ++slot) {
            hostValues.push_back(FactoryPresets::hostValue(*p, slot));
        }
        const Stereo heard = lv2.play(kNotes, 12000);
        const Stereo expected = play(static_cast<float>(kRate), 512, kNotes, 12000, hostValues);
        EXPECT_TRUE(heard.left == expected.left && heard.right == expected.right) << p->name;
        EXPECT_GT(*std::max_element(heard.left.begin(), heard.left.end()), 0.01f) << p->name;

        LilvState* saved =
            lilv_state_new_from_instance(plugin(), lv2.instance, &map, nullptr, nullptr, nullptr,
                                         nullptr, nullptr, nullptr, 0, nullptr);
        char* song = lilv_state_to_string(world, &map, &unmap, saved, "urn:orvane:song", nullptr);
        LilvState* loaded = lilv_state_new_from_string(world, &map, song);
        Instance fresh;
        lilv_state_restore(loaded, fresh.instance, nullptr, nullptr, 0, nullptr);
        fresh.play({}, 1);
        EXPECT_EQ(fresh.chunk(), lv2.chunk()) << p->name;
        EXPECT_EQ(lv2.chunk().size(), size_t{PianoModule::kChunkSize});
        lilv_free(song);
        lilv_state_free(preset), lilv_state_free(saved), lilv_state_free(loaded);
    }
    lilv_nodes_free(presets);
    lilv_node_free(presetClass);
}

// Every step's real value, and the next float above it, written to its port is what the chunk
// then holds for that slot: a value the editor shows lands on a step of that value.
TEST(Lv2Shell, ControlValuesLandOnTheirSteps) {
    PianoModule reference;
    reference.setup();
    Instance lv2;
    for (int32_t slot = 1; slot <= Lv2Ports::kControlCount; ++slot) {
        const Parameter& p = *reference.parameterAt(slot);
        for (int32_t step = 0; step <= p.stepCount(); ++step) {
            const float value = p.realValueAt(step);
            for (const float sent : {value, std::nextafter(value, 1e9f)}) {
                lv2.controls[Lv2Ports::portOf(slot)] = sent;
                lv2.play({}, 1);
                float held = 0.0f;
                std::memcpy(&held, lv2.chunk().data() + 24 + 4 * slot, sizeof held);
                ASSERT_EQ(held, value) << p.name() << " step " << step << " sent " << sent;
            }
        }
    }
}

// The editor opens as a child of the host's window. The host sets Decay to 10 %, step 0; a drag
// on the knob (centre 54, 173) 39 pixels up moves 39 x 0.01041 = 0.406 of the way to step 100:
// step 40, whose real value 10 x 10^(40/50) = 63.1 % keeps two digits, so the UI writes 63 to
// the Decay port. Closing removes the window.
TEST(Lv2Shell, EditorWritesKnobMovesToControlPorts) {
    void* library = dlopen(ORVANE_LV2_BUNDLE "/orvane-piano-ui.so", RTLD_NOW);
    ASSERT_NE(library, nullptr) << dlerror();
    using Entry = const LV2UI_Descriptor* (*)(uint32_t);
    const LV2UI_Descriptor* d = reinterpret_cast<Entry>(dlsym(library, "lv2ui_descriptor"))(0);
    Display* x = XOpenDisplay(nullptr);
    ASSERT_NE(x, nullptr);
    // At the screen's origin (no window manager): the pointer's coordinates are the window's.
    const Window parent = XCreateSimpleWindow(x, DefaultRootWindow(x), 0, 0, 700, 300, 0, 0, 0);
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
    Window root = 0, up = 0, *list = nullptr;
    unsigned int n = 0;
    XQueryTree(x, reinterpret_cast<uintptr_t>(widget), &root, &up, &list, &n);
    EXPECT_EQ(up, parent);
    XFree(list);
    const float lowest = 10.0f;
    d->port_event(handle, Lv2Ports::portOf(1), sizeof lowest, 0, &lowest);
    for (const auto& [px, py, button] :
         {std::array{54, 173, True}, {54, 134, -1}, {54, 134, False}}) {
        XTestFakeMotionEvent(x, -1, px, py, CurrentTime);
        if (button >= 0) {
            XTestFakeButtonEvent(x, 1, button, CurrentTime);
        }
        for (int i = 0; i < 10; ++i, usleep(5000)) {
            XSync(x, False);
            idle->idle(handle);
        }
    }
    EXPECT_EQ(writes, (std::vector<std::pair<uint32_t, float>>{{Lv2Ports::portOf(1), 63.0f}}));
    d->cleanup(handle);
    XQueryTree(x, parent, &root, &up, &list, &n);
    EXPECT_EQ(n, 0u);  // the panel's window went with it
    XCloseDisplay(x);
}
