#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "ControlListener.h"

class Application;
class Control;
class ParameterAccess;
class ResourceRecord;
class WindowView;
struct EditorEvent;

// The engine module's editor: builds the 600 x 246 panel (background, ten knobs, two value
// displays) inside the host's window, binds every control to one parameter and routes changes
// both ways. A knob turned by the user sets its parameter, tells the host and refreshes every
// control of that parameter at once; a change from the host reaches the controls through a
// refresh event at the next idle. GUI thread only.
class ModuleEditor {
public:
    static constexpr int32_t kWidth = 600;
    static constexpr int32_t kHeight = 246;
    static constexpr int32_t kEntries = 13;  // entry 0 is never used

    // The module's embedded pictures and font.
    struct Resources {
        const ResourceRecord* background = nullptr;      // "qorin_back"
        const ResourceRecord* largeKnobStrip = nullptr;  // "qorin_poti_01"
        const ResourceRecord* smallKnobStrip = nullptr;  // "qorin_poti_02"
        const ResourceRecord* displayFont = nullptr;     // "u004004t"
    };

    ModuleEditor(Application& application, ParameterAccess& parameters, const Resources& resources);
    ~ModuleEditor();
    ModuleEditor(const ModuleEditor&) = delete;
    ModuleEditor& operator=(const ModuleEditor&) = delete;

    // Builds and shows the panel in the parent window; false when no window could be made.
    bool open(void* parent, int32_t flag);
    // Destroys the window; false when none was open.
    bool close();
    // Writes left, top, right, bottom: 0, 0, 600, 246.
    bool getRect(int32_t* rect) const;
    // Stores x and y for the next open.
    bool setPosition(const int32_t* position);
    // Passes the event to the window, then acts on it; false when no window is open.
    bool handleEvent(const EditorEvent* event);

    WindowView* window() const { return windowView.get(); }
    Control* control(int32_t entry) const;

private:
    class Listener : public ControlListener {
    public:
        explicit Listener(ModuleEditor& owner) : editor(owner) {}
        void valueChanged(int32_t entry, Control& control, int32_t value) override;

    private:
        ModuleEditor& editor;
    };

    bool build(void* parent);
    void bind(Control* control, ControlListener* listener, int32_t parameter);
    void refresh(int32_t parameter, bool quietly);
    void onValueChanged(int32_t entry, Control& control, int32_t value);

    Application& app;
    ParameterAccess& params;
    Resources resources;
    std::unique_ptr<WindowView> windowView;
    int32_t position[2] = {0, 0};
    std::array<Control*, kEntries> controls{};
    Listener controlListener;
};
