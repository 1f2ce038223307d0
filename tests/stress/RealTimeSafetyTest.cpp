// The audio path of the plug-in performs no heap operation and takes no lock: a dense
// performance is driven through the effect record with parameter changes between blocks, and
// every malloc, operator new, free and lock call of the process is counted meanwhile.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "CallCounter.h"
#include "DensePerformance.h"
#include "PianoPlugin.h"

namespace {

intptr_t hostCallback(vst2::AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == vst2::audioMasterVersion ? 2400 : 0;
}

// Ten seconds at 44.1 kHz in blocks of 512 frames: ceil(441000 / 512) = 862 blocks, each with a
// random parameter (all ten in turn, now and then a value that is not finite or outside 0..1)
// set through the effect record as host automation does.
TEST(RealTimeSafety, AudioPathNeitherAllocatesNorLocks) {
    vst2::AEffect* e = PianoPlugin::createEffect(hostCallback);
    ASSERT_NE(e, nullptr);
    e->dispatcher(e, vst2::effSetSampleRate, 0, 0, nullptr, 44100.0f);
    e->dispatcher(e, vst2::effSetBlockSize, 0, 512, nullptr, 0.0f);
    e->dispatcher(e, vst2::effMainsChanged, 0, 1, nullptr, 0.0f);
    DensePerformance performance(7, 512);
    std::vector<float> left(512), right(512);
    float* outputs[2] = {left.data(), right.data()};
    StressRandom random(11);
    const float specials[] = {NAN, INFINITY, -INFINITY, -1.0f, 2.0f};
    double energy = 0.0;
    CallCounter::clear();
    for (int block = 0; block < 862; ++block) {
        const float value = random.chance(3) ? specials[random.below(5)] : random.unit();
        vst2::VstEvents* events = performance.next();
        {
            CallCounter::Scope counting;
            e->setParameter(e, 1 + block % 10, value);
            e->dispatcher(e, vst2::effProcessEvents, 0, 0, events, 0.0f);
            e->processReplacing(e, nullptr, outputs, 512);
        }
        for (float x : left) {
            energy += double(x) * x;
        }
    }
    const CallCounter::Counts c = CallCounter::counts();
    EXPECT_EQ(c.allocations, 0);
    EXPECT_EQ(c.releases, 0);
    EXPECT_EQ(c.locks, 0);
    EXPECT_GT(energy, 1.0);  // the piano sounded
    e->dispatcher(e, vst2::effClose, 0, 0, nullptr, 0.0f);

    // The counters are live: the same kinds of call inside a scope are seen.
    std::mutex m;
    CallCounter::clear();
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
    EXPECT_EQ(CallCounter::counts().allocations, 2);
    EXPECT_EQ(CallCounter::counts().releases, 2);
    EXPECT_EQ(CallCounter::counts().locks, 1);
}

}  // namespace
