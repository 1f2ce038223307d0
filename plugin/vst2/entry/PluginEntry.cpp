// The module's two exported entry points. Hosts on Linux look up VSTPluginMain first and main
// second; both create one plug-in object and hand back its effect record (none when the host
// answers 0 to audioMasterVersion).
#include "PianoPlugin.h"

extern "C" {

// Loader thread.
[[gnu::visibility("default")]] vst2::AEffect* VSTPluginMain(vst2::audioMasterCallback audioMaster) {
    return PianoPlugin::createEffect(audioMaster);
}

// The same entry exported under the name main (a C++ function named main must return int).
[[gnu::visibility("default")]] vst2::AEffect* entryMain(
    vst2::audioMasterCallback audioMaster) __asm__("main");

// Loader thread.
vst2::AEffect* entryMain(vst2::audioMasterCallback audioMaster) {
    return PianoPlugin::createEffect(audioMaster);
}
}
