// orvane-stress-threads: the plug-in driven from four threads at once, as hosts drive it, built
// with ThreadSanitizer by `make test-tsan`:
//   - audio: effProcessEvents with a dense performance, then processReplacing, block after block;
//   - automation: setParameter and getParameter on all ten parameters as fast as it can;
//   - chunks: effGetChunk and effSetChunk (of saved and altered states), and the parameter
//     names, labels and displays;
//   - editor: the editor on the off-screen window host, idled (which refreshes the controls
//     after host changes), with knob drags that report automation to the host, and closed and
//     reopened now and then.
//   - a second instance: its own audio thread, so two engines render at once.
// The threads meet only where the instrument says they may (parameter steps, the change counter
// and the editor's update flag); any other shared access is a race that ThreadSanitizer reports.
// Usage: orvane-stress-threads [--seconds S] | --self-check
// --self-check races two threads on a plain integer on purpose: a build with ThreadSanitizer
// must report it (and exit non-zero), which proves that the reports are live.
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "Application.h"
#include "DenseMidi.h"
#include "FrameworkStartup.h"
#include "OffscreenDisplay.h"
#include "OffscreenWindowHost.h"
#include "PerformanceHost.h"
#include "PianoPlugin.h"
#include "StressRandom.h"

namespace {

constexpr int kBlockSize = 256;

std::atomic<int64_t> automationReports{0};

// The host may be called back from any of the threads.
intptr_t hostCallback(vst2::AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    if (opcode == vst2::audioMasterAutomate) {
        automationReports.fetch_add(1, std::memory_order_relaxed);
    }
    return opcode == vst2::audioMasterVersion ? 2400 : 0;
}

struct Counts {
    std::atomic<int64_t> blocks{0};
    std::atomic<int64_t> badSamples{0};
    std::atomic<int64_t> parameterWrites{0};
    std::atomic<int64_t> chunkLoads{0};
    std::atomic<int64_t> displays{0};
    std::atomic<int64_t> idles{0};
    std::atomic<int64_t> drags{0};
    std::atomic<int64_t> editorOpens{0};
};

class Stress {
public:
    Stress(vst2::AEffect* plugin, OffscreenDisplay& screen) : effect(plugin), display(screen) {}

    void audio();
    void automation();
    void chunks();
    void editor();

    std::atomic<bool> running{true};
    Counts counts;

private:
    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f) {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }

    vst2::AEffect* effect;
    OffscreenDisplay& display;
};

// The performance starts again whenever it ends.
void Stress::audio() {
    const std::vector<uint8_t> midi = DenseMidi::generate(5, 30.0);
    std::vector<float> left(kBlockSize), right(kBlockSize);
    float* outputs[2] = {left.data(), right.data()};
    while (running.load(std::memory_order_relaxed)) {
        PerformanceHost host(midi, kBlockSize);
        while (running.load(std::memory_order_relaxed) && host.next()) {
            dispatch(vst2::effProcessEvents, 0, 0, host.events());
            effect->processReplacing(effect, nullptr, outputs, host.frames());
            for (int i = 0; i < host.frames(); ++i) {
                const size_t k = static_cast<size_t>(i);
                if (!std::isfinite(left[k]) || !std::isfinite(right[k])) {
                    counts.badSamples.fetch_add(1, std::memory_order_relaxed);
                }
            }
            counts.blocks.fetch_add(1, std::memory_order_relaxed);
        }
    }
}

void Stress::automation() {
    StressRandom random(17);
    float sink = 0.0f;
    while (running.load(std::memory_order_relaxed)) {
        for (int32_t index = 1; index <= 10; ++index) {
            effect->setParameter(effect, index, random.unit());
            sink += effect->getParameter(effect, index);
        }
        counts.parameterWrites.fetch_add(10, std::memory_order_relaxed);
    }
    if (sink < 0.0f) {
        std::printf("impossible: a negative parameter value\n");
    }
}

void Stress::chunks() {
    StressRandom random(23);
    char text[256];
    while (running.load(std::memory_order_relaxed)) {
        void* data = nullptr;
        const intptr_t size = dispatch(vst2::effGetChunk, 0, 0, &data);
        if (size == 68 && data != nullptr) {
            uint8_t saved[68];
            std::memcpy(saved, data, sizeof saved);
            // Alter one value word: a real value that may lie inside or outside its range.
            const float value = random.unit() * 1200.0f - 100.0f;
            std::memcpy(saved + 28 + 4 * random.below(10), &value, sizeof value);
            dispatch(vst2::effSetChunk, 0, sizeof saved, saved);
            counts.chunkLoads.fetch_add(1, std::memory_order_relaxed);
        }
        for (int32_t index = 0; index <= 10; ++index) {
            dispatch(vst2::effGetParamName, index, 0, text);
            dispatch(vst2::effGetParamLabel, index, 0, text);
            dispatch(vst2::effGetParamDisplay, index, 0, text);
        }
        counts.displays.fetch_add(11, std::memory_order_relaxed);
    }
}

// The knob centres of "Decay" and "Voices" in the window, dragged up and down.
void Stress::editor() {
    StressRandom random(29);
    char parentWindow = 0;
    const int knobs[2][2] = {{54, 173}, {449, 62}};
    while (running.load(std::memory_order_relaxed)) {
        if (dispatch(vst2::effEditOpen, 0, 0, &parentWindow) != 1) {
            std::printf("stress: the editor did not open\n");
            return;
        }
        counts.editorOpens.fetch_add(1, std::memory_order_relaxed);
        for (int round = 0; round < 200 && running.load(std::memory_order_relaxed); ++round) {
            dispatch(vst2::effEditIdle);
            counts.idles.fetch_add(1, std::memory_order_relaxed);
            OffscreenWindowHost* host = display.attachedHost();
            if (host != nullptr && random.chance(50)) {
                const int* knob = knobs[random.below(2)];
                host->pressButton(knob[0], knob[1]);
                host->moveMouse(knob[0], knob[1] - random.between(-40, 40));
                host->releaseButton(knob[0], knob[1]);
                counts.drags.fetch_add(1, std::memory_order_relaxed);
            }
        }
        dispatch(vst2::effEditClose);
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
    std::thread a(increment);
    std::thread b(increment);
    a.join();
    b.join();
    std::printf("stress: self-check counted %d\n", shared);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 10.0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
        } else if (std::strcmp(argv[i], "--self-check") == 0) {
            return selfCheck();
        } else {
            std::fprintf(stderr, "usage: orvane-stress-threads [--seconds S] | --self-check\n");
            return 2;
        }
    }
#if defined(__SANITIZE_THREAD__)
    std::printf("stress: built with ThreadSanitizer\n");
#else
    std::printf("stress: built without ThreadSanitizer (crashes and wrong values only)\n");
#endif

    // The framework draws its windows on an in-memory screen; it outlives the plug-in and the
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
        e->dispatcher(e, vst2::effSetBlockSize, 0, kBlockSize, nullptr, 0.0f);
        e->dispatcher(e, vst2::effMainsChanged, 0, 1, nullptr, 0.0f);
    }
    vst2::AEffect* const effect = effects[0];

    int failures = 0;
    {
        Stress stress(effect, *display);
        Stress second(effects[1], *display);
        std::thread audio(&Stress::audio, &stress);
        std::thread secondAudio(&Stress::audio, &second);
        std::thread automation(&Stress::automation, &stress);
        std::thread chunks(&Stress::chunks, &stress);
        std::thread editor(&Stress::editor, &stress);
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        stress.running = false;
        second.running = false;
        audio.join();
        secondAudio.join();
        automation.join();
        chunks.join();
        editor.join();

        const Counts& c = stress.counts;
        std::printf(
            "stress: %.1f s: %lld audio blocks, %lld parameter writes, %lld chunk loads, "
            "%lld display reads, %lld editor idles, %lld knob drags (%lld reported), "
            "%lld editor opens\n",
            seconds, static_cast<long long>(c.blocks.load()),
            static_cast<long long>(c.parameterWrites.load()),
            static_cast<long long>(c.chunkLoads.load()), static_cast<long long>(c.displays.load()),
            static_cast<long long>(c.idles.load()), static_cast<long long>(c.drags.load()),
            static_cast<long long>(automationReports.load()),
            static_cast<long long>(c.editorOpens.load()));
        // Every thread must have done its work for the run to prove anything.
        if (c.blocks == 0 || second.counts.blocks == 0 || c.parameterWrites == 0 ||
            c.chunkLoads == 0 || c.idles == 0 || c.drags == 0) {
            std::printf("stress: FAILED: a thread did no work\n");
            ++failures;
        }
        if (c.badSamples != 0 || second.counts.badSamples != 0) {
            std::printf("stress: FAILED: %lld samples not finite\n",
                        static_cast<long long>(c.badSamples + second.counts.badSamples));
            ++failures;
        }
    }
    for (vst2::AEffect* e : effects) {
        e->dispatcher(e, vst2::effClose, 0, 0, nullptr, 0.0f);
    }
    std::printf("stress: %s\n", failures == 0 ? "passed" : "FAILED");
    return failures == 0 ? 0 : 1;
}
