#pragma once

#include <array>
#include <memory>
#include <string>

#include "PeerInstrument.h"

namespace stk {
class Rhodey;
}

// The Synthesis ToolKit's FM electric piano (two FM operator pairs), one instrument per key of
// the MIDI range, each ticked while its key sounds. The toolkit has no pedal, so this driver
// holds released keys while controller 64 is down. A key stops being ticked by the rule Orvane
// Piano's voices follow: once the running peak of its squared output (falling by 0.99 per
// sample) drops below 1e-10.
class FmPianoPeer : public PeerInstrument {
public:
    explicit FmPianoPeer(const std::string& rawwavePath);
    ~FmPianoPeer() override;

    const char* name() const override { return "STK FM piano"; }
    void restart() override;
    void block(const BlockEvent* events, size_t count, int frames, float* left,
               float* right) override;
    int voices() const override;

private:
    static constexpr int kKeys = 128;

    void span(float* left, float* right, int frames) override;
    void apply(const BlockEvent& event) override;
    void noteOff(int key);

    struct Key {
        std::unique_ptr<stk::Rhodey> instrument;
        bool sounding = false;
        bool down = false;
        double level = 0.0;  // running peak of the squared output
    };
    std::array<Key, kKeys> keys;
    bool pedal = false;
};
