#include "OrvanePeer.h"

#include "ChannelBuffers.h"
#include "KeyVoice.h"
#include "PianoCore.h"

namespace {
constexpr float kRate = 44100.0f;
}

OrvanePeer::OrvanePeer() : core(std::make_unique<PianoCore>()) {
    core->setup(1, 2, kRate);
    restart();
}

OrvanePeer::~OrvanePeer() = default;

void OrvanePeer::restart() {
    const float values[PianoCore::kValueCount] = {
        0, 100, 100, 1, 1, 0.1f, 0.1f, 100, 73, 0, 0.4f, 0, 0, 0, 0, 0, 0, 0, 0, 0, 180, 0, kRate};
    core->applyParameters(values, PianoCore::kSelectorAll);
    core->reset();
}

void OrvanePeer::block(const BlockEvent* events, size_t count, int frames, float* left,
                       float* right) {
    for (size_t i = 0; i < count; ++i) {
        const BlockEvent& e = events[i];
        core->queueEvent(e.status & 0xF0, e.data1 & 127, e.data2 & 127, 0, e.offset);
    }
    ChannelBuffers out;
    out[0] = ChannelBuffer{left, 1, frames};
    out[1] = ChannelBuffer{right, 1, frames};
    core->setPosition(0);
    core->render(out, out);
}

int OrvanePeer::voices() const {
    int n = 0;
    for (int k = 0; k < PianoCore::kKeyCount; ++k) {
        n += core->key(k).isActive() ? 1 : 0;
    }
    return n;
}
