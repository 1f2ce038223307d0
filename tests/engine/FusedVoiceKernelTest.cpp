// The fused kernel against the component-by-component render it replaces. Both compute the same
// IEEE operations in the same order per lane and sample (no fused multiply-add in an ISO C++
// build without -march=native) and mix lanes in key order, so the outputs must be bit-equal.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "ChannelBuffers.h"
#include "FusedVoiceKernel.h"
#include "KeyVoice.h"
#include "PianoCore.h"

#if defined(ORVANE_DEMO_MID)
#include "MidiFile.h"
#include "TempoMap.h"
#endif

namespace {

constexpr int kSlice = 256;

// The values the plug-in's module sends with its defaults, but for "Voices".
void applyDefaults(PianoCore& core, float voices, float rate = 44100.0f) {
    const float values[PianoCore::kValueCount] = {0,      100, 100,  1, 1,   0.1f, 0.1f, 100,
                                                  voices, 0,   0.4f, 0, 0,   0,    0,    0,
                                                  0,      0,   0,    0, 180, 0,    rate};
    core.applyParameters(values, PianoCore::kSelectorAll);
}

const PianoCore& voicing() {
    static const std::unique_ptr<PianoCore> core = [] {
        auto c = std::make_unique<PianoCore>();
        c->setup(1, 2, 44100.0f);
        applyDefaults(*c, 20.0f);
        return c;
    }();
    return *core;
}

// How the fused voices of a test reach the kernel: as one group on each lane set (a set the
// processor lacks gives way to the widest it runs), or one by one through KeyVoice::render
// (test names end in 0 to 3).
enum class Path { avx512, avx2, portable, single };

// Voices twice over: the "fused" set renders through the kernel, the "reference" set component
// by component; every operation is applied to both.
class Twins {
public:
    Twins(int count, Path how) : voices(count), path(how) {
        context.frameCount = kSlice;
        for (auto& b : scratch) {
            b.assign(kSlice, 0.0f);
        }
        for (int side = 0; side < 2; ++side) {
            for (int l = 0; l < voices; ++l) {
                auto k = std::make_unique<KeyVoice>(&context);
                for (int i = 0; i < KeyVoice::kBuffers; ++i) {
                    k->setInput(i, scratch[i].data());
                }
                k->init();
                set[side].push_back(std::move(k));
            }
        }
    }

    template <typename Op>
    void each(int l, Op op) {
        op(*set[0][static_cast<size_t>(l)]);
        op(*set[1][static_cast<size_t>(l)]);
    }
    void strike(int l, int note, const NoteConfiguration& v, float velocity) {
        each(l, [&](KeyVoice& k) {
            k.keyIndex = note - PianoCore::kLowestNote;
            k.configureNote(v);
            k.setVelocity(velocity);
            k.trigger();
        });
    }
    KeyVoice& fused(int l) { return *set[0][static_cast<size_t>(l)]; }
    KeyVoice& reference(int l) { return *set[1][static_cast<size_t>(l)]; }

    // One slice of n frames of every voice, into channels that already hold a signal. Expects
    // identical channels, levels and activity.
    void slice(int n, int channels = 2, int stride = 1) {
        context.frameCount = n;
        const auto size = static_cast<size_t>(n * stride);
        std::vector<float> out[2][2];
        for (auto& side : out) {
            side[0].assign(size, 0.25f);
            side[1].assign(size, -0.5f);
        }
        float* const fusedOut[2] = {out[0][0].data(), out[0][1].data()};
        float* const referenceOut[2] = {out[1][0].data(), out[1][1].data()};
        std::vector<KeyVoice*> group;
        for (int l = 0; l < voices; ++l) {
            if (fused(l).isActive()) {
                group.push_back(&fused(l));
                if (path == Path::single) {
                    fused(l).render(channels, fusedOut, stride);
                }
            }
            reference(l).renderComponents(channels, referenceOut, stride);
        }
        if (path != Path::single && !group.empty()) {
            ASSERT_TRUE(std::all_of(group.begin(), group.end(),
                                    [](KeyVoice* k) { return FusedVoiceKernel::handles(*k); }));
            const int count = static_cast<int>(group.size());
            const auto lanes = static_cast<FusedVoiceKernel::LaneSet>(
                static_cast<int>(FusedVoiceKernel::LaneSet::avx512) - static_cast<int>(path));
            FusedVoiceKernel::render(lanes, group.data(), count, channels, fusedOut, stride);
        }
        ASSERT_EQ(out[0][0], out[1][0]) << "slice " << sliceCount;
        ASSERT_EQ(out[0][1], out[1][1]) << "slice " << sliceCount;
        for (int l = 0; l < voices; ++l) {
            ASSERT_EQ(fused(l).isActive(), reference(l).isActive()) << "voice " << l;
            ASSERT_EQ(fused(l).levelNow(), reference(l).levelNow()) << "voice " << l;
        }
        for (size_t i = 0; i < size; ++i) {
            peak = std::max(peak, std::fabs(static_cast<double>(out[1][0][i]) - 0.25));
        }
        ++sliceCount;
    }
    void slices(int count, int n = kSlice) {
        for (int s = 0; s < count && !::testing::Test::HasFatalFailure(); ++s) {
            slice(n, slicesChannels, s % 2 == 0 ? 1 : slicesStride);
        }
    }

    RenderContext context;
    std::vector<float> scratch[KeyVoice::kBuffers];
    std::vector<std::unique_ptr<KeyVoice>> set[2];
    int voices;
    Path path;
    int slicesChannels = 2;  // for slices(): channel count, and the stride of every other slice
    int slicesStride = 1;
    int sliceCount = 0;
    double peak = 0.0;  // largest change of the reference's first channel: something sounded
};

class FusedVoiceKernelPaths : public ::testing::TestWithParam<Path> {};

TEST_P(FusedVoiceKernelPaths, RestrikesAndReleasesAtAnySliceBoundary) {
    // A4 with a loud damper (20 times the voicing's): after the release the tine's negative
    // swings feed the contact signal into the bells, which restarts their ring count too.
    Twins t(3, GetParam());
    const PianoCore& c = voicing();
    NoteConfiguration a4 = c.noteConfiguration(69);
    a4.damperLevel = 0.02f;
    t.strike(0, 69, a4, 0.9f);
    t.strike(1, 33, c.noteConfiguration(33), 1.0f);
    t.strike(2, 96, c.noteConfiguration(96), 0.8f);
    const int sizes[] = {256, 5, 256, 131, 1, 17, 255};
    for (int round = 0; round < 12 && !HasFatalFailure(); ++round) {
        t.slice(sizes[round % 7]);
        const int l = round % 3;
        if (round % 4 == 1) {
            t.each(l, [](KeyVoice& k) { k.trigger(); });  // re-strike while ringing
        } else if (round % 4 == 3) {
            t.each(l, [](KeyVoice& k) { k.release(); });
        }
        t.slice(sizes[(round + 3) % 7]);
    }
    t.slices(40);
    EXPECT_GT(t.peak, 1e-3);
}

TEST_P(FusedVoiceKernelPaths, LanesOfEveryPulseOrderAndState) {
    // Eight lanes, then thirteen (the widest groups take sixteen), that differ in everything the
    // kernel decides per lane: pulse orders 1 to 7 (7 is beyond the voicing's range), pulses
    // starting while others have ended, released tines, bells or a tine silent in one lane while
    // the others ring, a silent tine revived, velocity curves 0 and 7; mixed into one, two or
    // three channels (the third unmixed), on interleaved frames every other slice.
    const PianoCore& c = voicing();
    for (const int lanes : {8, 13}) {
        const float velocityStep = lanes == 8 ? 0.09f : 0.05f;  // up to 0.93 and 0.9
        for (const int channels : {1, 2, 3}) {
            Twins t(lanes, GetParam());
            t.slicesChannels = channels;
            t.slicesStride = 2;
            for (int l = 0; l < lanes; ++l) {
                const int note = 24 + 88 / lanes * l;
                NoteConfiguration v = c.noteConfiguration(note);
                v.hammerOrder = 1 + l % 7;
                v.velocityCurve = l % 3 == 0 ? 0 : 7;
                if (l % 8 == 2) {
                    v.bellRingTime = 0.002f;  // 88 samples: silent after the first slices
                }
                if (l % 8 == 3) {
                    v.tineRingTime = 0.02f;  // 882 samples: silent, then revived by the re-strike
                }
                t.strike(l, note, v, 0.3f + velocityStep * static_cast<float>(l));
            }
            auto each = [&t, lanes](int first, auto op) {
                for (int l = first; l < lanes; l += 8) {
                    t.each(l, op);
                }
            };
            t.slices(3);
            each(1, [](KeyVoice& k) { k.release(); });
            each(6, [](KeyVoice& k) { k.release(); });
            t.slice(200);
            each(3, [](KeyVoice& k) { k.trigger(); });
            t.slices(20, 97);
            each(0, [](KeyVoice& k) { k.release(); });
            each(5, [](KeyVoice& k) { k.trigger(); });
            t.slices(20);
            EXPECT_GT(t.peak, 1e-3);
        }
    }
}

TEST_P(FusedVoiceKernelPaths, VoicesFallInactiveInTheSameSlice) {
    // A silent configuration falls inactive in its 2292nd sample (0.99^2292 < 1e-10 <
    // 0.99^2291), here in one-sample slices, beside a sounding voice.
    Twins t(2, GetParam());
    t.strike(0, 70, voicing().noteConfiguration(70), 0.6f);
    t.strike(1, 40, NoteConfiguration{}, 1.0f);
    for (int s = 0; s < 2291 && !HasFatalFailure(); ++s) {
        t.slice(1);
    }
    EXPECT_TRUE(t.fused(1).isActive());
    t.slice(1);
    EXPECT_FALSE(t.fused(1).isActive());
}

INSTANTIATE_TEST_SUITE_P(FusedVoiceKernel, FusedVoiceKernelPaths,
                         ::testing::Values(Path::avx512, Path::avx2, Path::portable, Path::single));

// The whole-engine render of one piece twice: through the kernel and component by component.
struct EnginePair {
    EnginePair(int outputs, float voices) {
        for (PianoCore* c : {&fused, &reference}) {
            c->setup(1, outputs, 44100.0f);
            applyDefaults(*c, voices);
            c->reset();
        }
        reference.useReferenceVoices(true);
    }
    // Plays the events (frames from 0) in host blocks; expects both renders equal sample for
    // sample (the largest absolute difference allowed is 0) and answers the reference's largest
    // absolute sample on channel 0.
    template <typename Events>
    double play(const Events& events, int64_t frames, int hostBlock) {
        double peak = 0.0;
        size_t next = 0;
        for (int64_t start = 0; start < frames && !::testing::Test::HasFailure();
             start += hostBlock) {
            const int n = static_cast<int>(std::min<int64_t>(hostBlock, frames - start));
            for (; next < events.size() && events[next].frame < start + n; ++next) {
                const auto& e = events[next];
                for (PianoCore* c : {&fused, &reference}) {
                    c->queueEvent(e.status & 0xF0, e.data1, e.data2, e.detune,
                                  static_cast<int>(e.frame - start));
                }
            }
            std::vector<float> out[2][2];
            for (int side = 0; side < 2; ++side) {
                out[side][0].assign(static_cast<size_t>(n), 0.0f);
                out[side][1].assign(static_cast<size_t>(n), 0.0f);
                ChannelBuffers b;
                b[0] = {out[side][0].data(), 1, n};
                b[1] = {out[side][1].data(), 1, n};
                PianoCore& core = side == 0 ? fused : reference;
                core.setPosition(0);
                core.render(b, b);
            }
            EXPECT_EQ(out[0][0], out[1][0]) << "block at frame " << start;
            EXPECT_EQ(out[0][1], out[1][1]) << "block at frame " << start;
            for (const float v : out[1][0]) {
                peak = std::max(peak, std::fabs(static_cast<double>(v)));
            }
        }
        return peak;
    }
    PianoCore fused;
    PianoCore reference;
};

struct TimedEvent {
    int64_t frame;
    int status, data1, data2, detune;
};

// 30 s of a dense pattern: steals leave released keys with damper noise, the pedal holds notes,
// a changing detune byte reconfigures ringing keys, and gaps leave slices without a key.
std::vector<TimedEvent> densePattern() {
    std::vector<TimedEvent> events;
    uint32_t seed = 12345;
    auto next = [&seed](int range) {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<int>((seed >> 8) % static_cast<uint32_t>(range));
    };
    int64_t frame = 0;
    for (int i = 0; i < 600; ++i) {
        frame += 200 + next(3000);
        const int note = 21 + next(88);
        events.push_back({frame, 0x90, note, 1 + next(127), next(21) - 10});
        events.push_back({frame + 500 + next(20000), 0x80, note, 0, 0});
        if (i % 40 == 0) {
            events.push_back({frame + 17, 0xB0, 64, i % 80 == 0 ? 127 : 0, 0});
        }
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const TimedEvent& x, const TimedEvent& y) { return x.frame < y.frame; });
    return events;
}

TEST(FusedVoiceKernel, DenseMonoEngineRenderWithStealsAndDetunes) {
    // A mono engine with "Voices" 6; 300-frame host blocks put events at every offset of the
    // 256-frame slices.
    const std::vector<TimedEvent> events = densePattern();
    EnginePair pair(1, 6.0f);
    EXPECT_GT(pair.play(events, events.back().frame + 44100, 300), 0.05);
}

TEST(FusedVoiceKernel, StereoSlicesCutByEventsEqualTheComponentRender) {
    // Stereo, where the parts of a slice between its events share one equaliser: with "Voices"
    // 12, parts hold no key, one to eight (the kernel's loop steps the equaliser) or more (the
    // keys are summed first), at every offset of the slices.
    const std::vector<TimedEvent> events = densePattern();
    EnginePair pair(2, 12.0f);
    EXPECT_GT(pair.play(events, events.back().frame + 44100, 300), 0.05);
}

TEST(FusedVoiceKernel, SlicesWithoutEventsRunOnInOneLoop) {
    // In 1024-frame blocks two whole slices without an event between them run in one loop where
    // every key carries across the first, and one by one where a pulse runs, a ring count ends or
    // a level nears silence within the first: the same samples either way.
    const std::vector<TimedEvent> events = densePattern();
    EnginePair pair(2, 12.0f);
    EXPECT_GT(pair.play(events, events.back().frame + 44100, 1024), 0.05);
}

#if defined(ORVANE_DEMO_MID)
TEST(FusedVoiceKernel, DemoRenderEqualsTheComponentRender) {
    // The demo piece with the plug-in's defaults ("Voices" 20), stereo, in 512-frame blocks,
    // with 2 s of tail.
    const MidiFile midi = MidiFile::load(ORVANE_DEMO_MID);
    const TempoMap tempo(midi.division(), midi.tempoChanges());
    std::vector<TimedEvent> events;
    for (const MidiEvent& e : midi.events()) {
        events.push_back({tempo.frameAt(e.tick, 44100), e.status, e.data1, e.data2, 0});
    }
    EnginePair pair(2, 20.0f);
    EXPECT_GT(pair.play(events, events.back().frame + 2 * 44100, 512), 0.1);
}
#endif

}  // namespace
