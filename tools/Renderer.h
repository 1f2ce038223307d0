#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "BlockScheduler.h"
#include "RenderOptions.h"

class PluginHost;

// What orvane-render does once its command line is understood: reads the MIDI file, places
// every channel message on its frame (floor(t * rate), t from the tempo map), loads the
// plug-in, sets its state and parameters, and renders block by block into a WAV file that
// appears only when complete; or lists the plug-in's parameters.
class Renderer {
public:
    explicit Renderer(RenderOptions options);

    // Renders and prints the summary; returns the exit status. Throws ToolError.
    int run();
    // Prints every parameter slot: index, name, display, unit and normalised value.
    int listParameters();
    // Prints every factory preset's name and purpose.
    static int listPresets();

    // Safe to call from a signal handler: the render stops at the next block, cleaning up.
    static void requestStop() { stopRequested.store(true); }
    // The plug-in library built or installed with the tool: the first of <dir>/orvane-piano.so,
    // <dir>/../plugin/, <dir>/../lib/vst/ and <dir>/../../.vst/ (the layouts of make install),
    // <dir> being the executable's folder (.dll on Windows).
    static std::string defaultPluginPath();
    // "orvane-piano" with this platform's library suffix.
    static std::string pluginFileName();

    // The instrument's event queue holds 128 events; a block never carries more.
    static constexpr int kMaxEventsPerBlock = 128;

    // The events of a MIDI file placed on frames at the given rate, in file order.
    static std::vector<ScheduledEvent> scheduleFile(const std::string& path, uint32_t rate);
    // Frames of a render whose last event lands on lastFrame (-1 when there is none): the
    // tail follows that frame, and the event's own frame is always rendered.
    static int64_t renderLength(int64_t lastFrame, double tailSeconds, uint32_t rate);

private:
    std::string pluginPath() const;
    // The factory preset, then the state file, then the --param settings.
    void setUp(PluginHost& host) const;
    void loadState(PluginHost& host) const;
    void sendParameters(PluginHost& host) const;

    RenderOptions options;
    static std::atomic<bool> stopRequested;
};
