// The audio path of the built plug-in performs no heap operation and takes no lock: a dense
// performance is driven through the effect record with parameter changes between blocks, and
// every malloc, operator new, free and lock call of the process is counted meanwhile.
#include <gtest/gtest.h>

#include <cmath>
#include <mutex>
#include <vector>

#include "CallCounter.h"
#include "DenseMidi.h"
#include "PerformanceHost.h"
#include "PianoPlugin.h"
#include "StressRandom.h"

namespace {

intptr_t hostCallback(vst2::AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == vst2::audioMasterVersion ? 2400 : 0;
}

struct PluginUnderTest {
    PluginUnderTest() : effect(PianoPlugin::createEffect(hostCallback)) {}
    ~PluginUnderTest() {
        if (effect != nullptr) {
            effect->dispatcher(effect, vst2::effClose, 0, 0, nullptr, 0.0f);
        }
    }
    intptr_t dispatch(int32_t opcode, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f) {
        return effect->dispatcher(effect, opcode, 0, value, ptr, opt);
    }
    vst2::AEffect* effect;
};

constexpr int kBlockSize = 512;

}  // namespace

// The counters themselves work: an allocation, a release and a lock inside a scope are seen,
// and the same calls outside a scope are not.
TEST(CallCounter, SeesHeapAndLockCallsOnlyInsideAScope) {
    std::mutex m;
    CallCounter::clear();
    {
        auto* outside = new int(1);
        m.lock();
        m.unlock();
        delete outside;
    }
    EXPECT_EQ(CallCounter::counts().allocations, 0);
    EXPECT_EQ(CallCounter::counts().locks, 0);
    {
        CallCounter::Scope counting;
        auto* inside = new int(2);
        void* raw = std::malloc(16);
        // The pointers escape, so the compiler cannot elide the allocations.
        asm volatile("" : : "r"(inside), "r"(raw) : "memory");
        m.lock();
        m.unlock();
        std::free(raw);
        delete inside;
    }
    const CallCounter::Counts c = CallCounter::counts();
    EXPECT_EQ(c.allocations, 2);
    EXPECT_EQ(c.releases, 2);
    EXPECT_EQ(c.locks, 1);
}

// Ten seconds of the dense performance through effProcessEvents and processReplacing, with a
// random parameter (all ten in turn, occasionally a value that is not finite) set between
// blocks through the effect record as host automation does.
TEST(RealTimeSafety, AudioPathNeitherAllocatesNorLocks) {
    PluginUnderTest plugin;
    ASSERT_NE(plugin.effect, nullptr);
    vst2::AEffect* e = plugin.effect;
    plugin.dispatch(vst2::effSetSampleRate, 0, nullptr, 44100.0f);
    plugin.dispatch(vst2::effSetBlockSize, kBlockSize);
    plugin.dispatch(vst2::effMainsChanged, 1);

    PerformanceHost host(DenseMidi::generate(7, 10.0), kBlockSize);
    std::vector<float> left(kBlockSize), right(kBlockSize);
    float* outputs[2] = {left.data(), right.data()};
    StressRandom random(11);
    const float specials[] = {NAN, INFINITY, -INFINITY, -1.0f, 2.0f};

    CallCounter::clear();
    int64_t blocks = 0;
    int64_t events = 0;
    double energy = 0.0;
    while (host.next()) {
        const int32_t index = 1 + static_cast<int32_t>(blocks % 10);
        const float value = random.chance(3) ? specials[random.below(5)] : random.unit();
        {
            CallCounter::Scope counting;
            e->setParameter(e, index, value);
            e->dispatcher(e, vst2::effProcessEvents, 0, 0, host.events(), 0.0f);
            e->processReplacing(e, nullptr, outputs, host.frames());
        }
        for (int i = 0; i < host.frames(); ++i) {
            energy += double(left[size_t(i)]) * left[size_t(i)];
        }
        ++blocks;
        events += host.eventCount();
    }
    const CallCounter::Counts c = CallCounter::counts();
    std::printf("realtime: %lld blocks, %lld events, %lld allocations, %lld releases, %lld locks\n",
                static_cast<long long>(blocks), static_cast<long long>(events),
                static_cast<long long>(c.allocations), static_cast<long long>(c.releases),
                static_cast<long long>(c.locks));
    EXPECT_EQ(c.allocations, 0);
    EXPECT_EQ(c.releases, 0);
    EXPECT_EQ(c.locks, 0);
    // The run did real work: at least 10 s at 44.1 kHz in blocks of at most 512 frames is at
    // least ceil(441000 / 512) = 862 blocks, every scheduled event was delivered, and the piano
    // sounded.
    EXPECT_GE(blocks, 862);
    EXPECT_EQ(events, static_cast<int64_t>(host.scheduledEvents()));
    EXPECT_GT(events, 0);
    EXPECT_GT(energy, 1.0);
}
