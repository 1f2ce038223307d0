#pragma once

#include <cstdint>

// What the instrument tells the plug-in format around it. A format's shell implements it and
// hands it to the engine module; the module knows nothing else of the host.
class InstrumentHost {
public:
    virtual ~InstrumentHost() = default;

    // GUI thread: the user edited parameter n, which now has this normalised value (0..1).
    virtual void parameterEdited(int32_t n, float normalised) = 0;
};
