#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "PeerInstrument.h"

// The sample-based electric piano of the mda LV2 collection, loaded through lilv as an LV2 host
// would: every control port at its default, MIDI as an atom sequence with frame times, one run
// per block. It plays at most its own fixed number of voices and does not tell how many sound.
class SamplePianoPeer : public PeerInstrument {
public:
    static constexpr const char* kUri = "http://drobilla.net/plugins/mda/EPiano";

    SamplePianoPeer();
    ~SamplePianoPeer() override;

    const char* name() const override { return "mda EPiano"; }
    void restart() override;
    void block(const BlockEvent* events, size_t count, int frames, float* left,
               float* right) override;

private:
    struct Host;

    void span(float*, float*, int) override {}
    void apply(const BlockEvent&) override {}

    std::unique_ptr<Host> host;
};
