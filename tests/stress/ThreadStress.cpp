// orvane-stress-threads: one plug-in driven from four threads at once, as hosts drive it (audio
// with a dense performance; automation; chunks and parameter texts; the editor on the
// off-screen window host, idled, its knobs dragged, closed and reopened), and a second
// instance rendering beside it. Built with ThreadSanitizer by `make test-tsan`: the threads may
// meet only at the parameter steps, the change counter and the editor's update flag.
// Usage: orvane-stress-threads [--seconds S] | --self-check (a deliberate race on a plain
// integer, which a ThreadSanitizer build must report).
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>

#include "Application.h"
#include "DensePerformance.h"
#include "FrameworkStartup.h"
#include "OffscreenDisplay.h"
#include "OffscreenWindowHost.h"
#include "PianoPlugin.h"

namespace {

intptr_t hostCallback(vst2::AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == vst2::audioMasterVersion ? 2400 : 0;
}

std::atomic<bool> running{true};

intptr_t dispatch(vst2::AEffect* e, int32_t opcode, int32_t index = 0, intptr_t value = 0,
                  void* ptr = nullptr) {
    return e->dispatcher(e, opcode, index, value, ptr, 0.0f);
}

// Each thread counts the rounds it worked; a thread that did nothing proves nothing.
void audio(vst2::AEffect* e, std::atomic<int64_t>& rounds, std::atomic<int64_t>& bad) {
    DensePerformance performance(5, 256);
    float left[256], right[256];
    float* outputs[2] = {left, right};
    for (; running; ++rounds) {
        dispatch(e, vst2::effProcessEvents, 0, 0, performance.next());
        e->processReplacing(e, nullptr, outputs, 256);
        int64_t notFinite = 0;
        for (int i = 0; i < 256; ++i) {
            notFinite += !std::isfinite(left[i]) || !std::isfinite(right[i]);
        }
        bad += notFinite;
    }
}

void automation(vst2::AEffect* e, std::atomic<int64_t>& rounds) {
    StressRandom random(17);
    for (; running; ++rounds) {
        const int32_t index = random.between(1, 10);
        e->setParameter(e, index, random.unit());
        if (e->getParameter(e, index) < 0.0f) {
            std::printf("stress: a negative parameter value\n");
        }
    }
}

void chunks(vst2::AEffect* e, std::atomic<int64_t>& rounds) {
    StressRandom random(23);
    char text[256];
    for (; running; ++rounds) {
        void* data = nullptr;
        if (dispatch(e, vst2::effGetChunk, 0, 0, &data) == 68 && data != nullptr) {
            uint8_t saved[68];
            std::memcpy(saved, data, sizeof saved);
            // One value word altered: a real value inside or outside its range.
            const float value = random.unit() * 1200.0f - 100.0f;
            std::memcpy(saved + 28 + 4 * random.below(10), &value, sizeof value);
            dispatch(e, vst2::effSetChunk, 0, sizeof saved, saved);
        }
        for (int32_t opcode :
             {vst2::effGetParamName, vst2::effGetParamLabel, vst2::effGetParamDisplay}) {
            dispatch(e, opcode, random.below(11), 0, text);
        }
    }
}

// The knob centres of "Decay" and "Voices", dragged up and down.
void editor(vst2::AEffect* e, OffscreenDisplay& display, std::atomic<int64_t>& rounds) {
    StressRandom random(29);
    char parentWindow = 0;
    const int knobs[2][2] = {{54, 173}, {449, 62}};
    while (running && dispatch(e, vst2::effEditOpen, 0, 0, &parentWindow) == 1) {
        for (int round = 0; round < 200 && running; ++round) {
            dispatch(e, vst2::effEditIdle);
            OffscreenWindowHost* host = display.attachedHost();
            if (host != nullptr && random.chance(50)) {
                const int* knob = knobs[random.below(2)];
                host->pressButton(knob[0], knob[1]);
                host->moveMouse(knob[0], knob[1] - random.between(-40, 40));
                host->releaseButton(knob[0], knob[1]);
                ++rounds;
            }
        }
        dispatch(e, vst2::effEditClose);
    }
}

// Two threads increment one plain integer: a data race by construction.
int selfCheck() {
    int shared = 0;
    auto increment = [&shared] {
        for (int i = 0; i < 100000; ++i) {
            ++shared;
        }
    };
    std::thread a(increment), b(increment);
    a.join();
    b.join();
    std::printf("stress: self-check counted %d\n", shared);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 10.0;
    if (argc == 2 && std::strcmp(argv[1], "--self-check") == 0) {
        return selfCheck();
    }
    if (argc == 3 && std::strcmp(argv[1], "--seconds") == 0) {
        seconds = std::atof(argv[2]);
    } else if (argc != 1) {
        std::fprintf(stderr, "usage: orvane-stress-threads [--seconds S] | --self-check\n");
        return 2;
    }
    // The framework draws its windows on an in-memory screen that outlives the plug-in and the
    // framework, so it is never destroyed (the static pointer keeps it reachable).
    static OffscreenDisplay* const display = new OffscreenDisplay();
    if (!FrameworkStartup::run() || FrameworkStartup::application() == nullptr) {
        std::printf("stress: the framework did not start\n");
        return 1;
    }
    FrameworkStartup::application()->setWindowHostFactory(display->factory());
    vst2::AEffect* const effects[2] = {PianoPlugin::createEffect(hostCallback),
                                       PianoPlugin::createEffect(hostCallback)};
    for (vst2::AEffect* e : effects) {
        if (e == nullptr) {
            std::printf("stress: the plug-in could not be created\n");
            return 1;
        }
        e->dispatcher(e, vst2::effSetSampleRate, 0, 0, nullptr, 44100.0f);
        dispatch(e, vst2::effSetBlockSize, 0, 256);
        dispatch(e, vst2::effMainsChanged, 0, 1);
    }
    // Rounds of: audio, second audio, automation, chunks, knob drags; samples not finite.
    std::atomic<int64_t> rounds[5] = {}, bad{0};
    std::thread threads[] = {
        std::thread(audio, effects[0], std::ref(rounds[0]), std::ref(bad)),
        std::thread(audio, effects[1], std::ref(rounds[1]), std::ref(bad)),
        std::thread(automation, effects[0], std::ref(rounds[2])),
        std::thread(chunks, effects[0], std::ref(rounds[3])),
        std::thread(editor, effects[0], std::ref(*display), std::ref(rounds[4]))};
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    running = false;
    for (std::thread& t : threads) {
        t.join();
    }
    for (vst2::AEffect* e : effects) {
        dispatch(e, vst2::effClose);
    }
    std::printf(
        "stress: %.1f s: %lld and %lld audio blocks, %lld parameter writes, %lld chunk "
        "rounds, %lld knob drags, %lld samples not finite\n",
        seconds, (long long)rounds[0], (long long)rounds[1], (long long)rounds[2],
        (long long)rounds[3], (long long)rounds[4], (long long)bad);
    bool ok = bad == 0;
    for (const std::atomic<int64_t>& r : rounds) {
        ok = ok && r > 0;
    }
    std::printf("stress: %s\n", ok ? "passed" : "FAILED");
    return ok ? 0 : 1;
}
