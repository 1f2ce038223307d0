#pragma once

#include <lv2/ui/ui.h>

#include <atomic>
#include <cstdint>

#include "InstrumentHost.h"
#include "PianoModule.h"

// The LV2 editor: the instrument's panel in the host's parent window, over a module of its own
// that only holds the parameters' steps. A knob turned is written to its control port as the
// step's real value; a port value the host reports moves the knob to the nearest step. The
// host's idle calls read the window's events and redraw. GUI thread only.
class PianoLv2Ui : public InstrumentHost {
public:
    PianoLv2Ui(LV2UI_Write_Function write, LV2UI_Controller controller);
    ~PianoLv2Ui() override;
    PianoLv2Ui(const PianoLv2Ui&) = delete;
    PianoLv2Ui& operator=(const PianoLv2Ui&) = delete;

    // Opens the panel in the parent window; false when no window could be made.
    bool open(void* parent);
    // The panel's native window, the widget an X11 UI hands the host.
    LV2UI_Widget widget();
    void portEvent(uint32_t port, float value);
    // The idle turn: 0 while the panel is open.
    int idle();

    void parameterEdited(int32_t n, float normalised) override;

private:
    PianoModule module;
    LV2UI_Write_Function writePort;
    LV2UI_Controller host;
    bool refresh = false;
};
