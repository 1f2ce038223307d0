#include "DenseMidi.h"

#include <algorithm>

#include "SmfBuilder.h"
#include "StressRandom.h"

namespace {

constexpr int kHands = 5;
constexpr uint64_t kQuarter = DenseMidi::kTicksPerQuarter;

struct TimedBytes {
    uint64_t tick;
    std::vector<int> bytes;
};

// Every event of the performance track at its absolute tick, sorted stably before writing.
class Performance {
public:
    explicit Performance(uint32_t seed) : random(seed) {}

    void note(uint64_t tick, int channel, int key, int velocity, uint64_t length) {
        add(tick, {0x90 | channel, key, velocity});
        // Half the note-offs are note-ons with velocity 0, as many keyboards send them.
        if (random.chance(50)) {
            add(tick + length, {0x80 | channel, key, random.below(128)});
        } else {
            add(tick + length, {0x90 | channel, key, 0});
        }
    }
    void add(uint64_t tick, std::vector<int> bytes) { events.push_back({tick, std::move(bytes)}); }

    StressRandom random;
    std::vector<TimedBytes> events;
};

// One phrase of one hand from tick t on; t ends where the phrase ends.
void playPhrase(Performance& p, uint64_t& t) {
    StressRandom& r = p.random;
    const int channel = r.below(16);
    switch (r.below(6)) {
        case 0: {  // block chords of 3 to 10 notes
            const int chords = r.between(2, 6);
            for (int c = 0; c < chords; ++c) {
                const int root = r.between(21, 96);
                const int size = r.between(3, 10);
                const uint64_t length = static_cast<uint64_t>(r.between(60, 1920));
                for (int k = 0; k < size; ++k) {
                    p.note(t, channel, std::min(108, root + k * r.between(2, 5)), r.between(1, 127),
                           length);
                }
                t += static_cast<uint64_t>(r.between(60, 480));
            }
            break;
        }
        case 1: {  // a fast run of 16th or 32nd notes
            const int steps = r.between(8, 48);
            const uint64_t step = r.chance(50) ? kQuarter / 4 : kQuarter / 8;
            int key = r.between(21, 108);
            for (int s = 0; s < steps; ++s) {
                key = std::clamp(key + r.between(-4, 4), 21, 108);
                p.note(t, channel, key, r.between(30, 127), step * r.between(1, 3));
                t += step;
            }
            break;
        }
        case 2: {  // one key struck again and again while it still sounds
            const int key = r.between(21, 108);
            const int repeats = r.between(4, 16);
            for (int s = 0; s < repeats; ++s) {
                p.note(t, channel, key, r.between(1, 127), kQuarter);
                t += kQuarter / 4;
            }
            break;
        }
        case 3: {  // a cluster over the whole keyboard: up to 30 notes on one tick
            const int size = r.between(10, 30);
            for (int k = 0; k < size; ++k) {
                p.note(t, r.below(16), r.between(21, 108), r.between(1, 127),
                       static_cast<uint64_t>(r.between(240, 3840)));
            }
            t += static_cast<uint64_t>(r.between(240, 960));
            break;
        }
        case 4: {  // messages the instrument ignores or only notes
            p.add(t, {0xE0 | channel, r.below(128), r.below(128)});  // pitch bend
            p.add(t, {0xB0 | channel, 1, r.below(128)});             // modulation wheel
            p.add(t, {0xC0 | channel, r.below(128)});                // program change
            p.add(t, {0xD0 | channel, r.below(128)});                // channel pressure
            p.note(t, channel, r.below(21), 100, 240);               // below the keyboard
            p.note(t, channel, r.between(109, 127), 100, 240);       // above it
            t += static_cast<uint64_t>(r.between(30, 240));
            break;
        }
        default: {  // a quiet stretch with a few long notes, or all notes off
            if (r.chance(10)) {
                p.add(t, {0xB0 | channel, 123, 0});
            } else {
                p.note(t, channel, r.between(21, 108), r.between(1, 60), 2 * kQuarter);
            }
            t += static_cast<uint64_t>(r.between(60, 960));
            break;
        }
    }
}

}  // namespace

std::vector<uint8_t> DenseMidi::generate(uint32_t seed, double seconds) {
    Performance p(seed);
    StressRandom& r = p.random;

    // Tempo track: a new tempo between 60 and 200 beats per minute every 4 to 16 beats.
    SmfBuilder file(1, kTicksPerQuarter);
    file.track();
    double elapsed = 0.0;
    uint64_t tick = 0;
    uint32_t pendingDelta = 0;
    while (elapsed < seconds) {
        const int bpm = r.between(60, 200);
        const uint32_t micros = 60000000u / static_cast<uint32_t>(bpm);
        file.tempo(pendingDelta, micros);
        const uint32_t span = static_cast<uint32_t>(r.between(4, 16)) * kTicksPerQuarter;
        elapsed += span * (micros * 1e-6 / kTicksPerQuarter);
        tick += span;
        pendingDelta = span;
    }
    const uint64_t endTick = tick;
    file.endOfTrack(pendingDelta);

    // Performance track: five hands, each playing phrases one after another, each phrase a
    // texture chosen at random; the first hand also works the sustain pedal.
    for (int hand = 0; hand < kHands; ++hand) {
        uint64_t t = 0;
        uint64_t nextPedal = kTicksPerQuarter * 2;
        bool pedalDown = false;
        while (t < endTick) {
            playPhrase(p, t);
            while (hand == 0 && nextPedal <= t) {
                pedalDown = !pedalDown;
                p.add(nextPedal, {0xB0 | r.below(16), 64, pedalDown ? r.between(64, 127) : 0});
                nextPedal += static_cast<uint64_t>(r.between(1, 8)) * kTicksPerQuarter;
            }
        }
    }

    std::stable_sort(p.events.begin(), p.events.end(),
                     [](const TimedBytes& a, const TimedBytes& b) { return a.tick < b.tick; });
    file.track();
    uint64_t last = 0;
    for (const TimedBytes& e : p.events) {
        if (e.tick > endTick) {
            break;
        }
        file.event(static_cast<uint32_t>(e.tick - last), e.bytes);
        last = e.tick;
    }
    file.endOfTrack(static_cast<uint32_t>(endTick - last));
    return file.bytes();
}
