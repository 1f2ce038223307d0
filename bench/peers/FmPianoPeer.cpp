#include "FmPianoPeer.h"

#include <stk/Rhodey.h>

#include <algorithm>
#include <cmath>

namespace {
constexpr double kRate = 44100.0;
constexpr double kLevelFall = 0.99;
constexpr double kSilenceLevel = 1e-10;
}  // namespace

FmPianoPeer::FmPianoPeer(const std::string& rawwavePath) {
    stk::Stk::setSampleRate(kRate);
    stk::Stk::setRawwavePath(rawwavePath);
    for (Key& k : keys) {
        k.instrument = std::make_unique<stk::Rhodey>();  // throws when the waves are missing
    }
}

FmPianoPeer::~FmPianoPeer() = default;

void FmPianoPeer::restart() {
    for (Key& k : keys) {
        k.instrument = std::make_unique<stk::Rhodey>();
        k.sounding = false;
        k.down = false;
        k.level = 0.0;
    }
    pedal = false;
}

void FmPianoPeer::block(const BlockEvent* events, size_t count, int frames, float* left,
                        float* right) {
    std::fill(left, left + frames, 0.0f);
    std::fill(right, right + frames, 0.0f);
    playInSpans(events, count, frames, left, right);
}

int FmPianoPeer::voices() const {
    return static_cast<int>(
        std::count_if(keys.begin(), keys.end(), [](const Key& k) { return k.sounding; }));
}

void FmPianoPeer::span(float* left, float* right, int frames) {
    for (Key& k : keys) {
        if (!k.sounding) {
            continue;
        }
        stk::Rhodey& fm = *k.instrument;
        double peak = k.level;
        bool died = false;
        for (int i = 0; i < frames; ++i) {
            const double y = fm.tick();
            left[i] += static_cast<float>(y);
            right[i] += static_cast<float>(y);
            peak = std::max(y * y, kLevelFall * peak);
            died = died || peak < kSilenceLevel;
        }
        k.level = peak;
        k.sounding = !died;
    }
}

void FmPianoPeer::apply(const BlockEvent& e) {
    const int status = e.status & 0xF0;
    const bool off = status == 0x80 || (status == 0x90 && e.data2 == 0);
    if (off) {
        keys[e.data1].down = false;
        if (!pedal) {
            noteOff(e.data1);
        }
    } else if (status == 0x90) {
        Key& k = keys[e.data1];
        k.instrument->noteOn(440.0 * std::pow(2.0, (e.data1 - 69) / 12.0), e.data2 / 127.0);
        k.sounding = true;
        k.down = true;
        k.level = 1.0;
    } else if (status == 0xB0 && e.data1 == 64) {
        pedal = e.data2 >= 64;
        if (!pedal) {
            for (int key = 0; key < kKeys; ++key) {
                if (!keys[key].down) {
                    noteOff(key);
                }
            }
        }
    }
}

void FmPianoPeer::noteOff(int key) {
    if (keys[key].sounding) {
        keys[key].instrument->noteOff(0.5);
    }
}
