#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "DecayLaw.h"
#include "KeyVoice.h"

namespace {

constexpr int kSlice = 256;
constexpr double kPi = 3.141592653589793;

// Note A4 as voicing set 0 gives it at 44.1 kHz (random value 0.524, "Decay"/"Release" 100,
// bell and damper volume 1).
NoteConfiguration noteA4(float stereoSpread = 0.5f) {
    const float bellSpread = 1.0f + 0.58f * (0.524f - 1.0f);
    const float bellHold = decayCoefficient(71.5f * bellSpread, 44100.0f);
    const float bellRelease = decayCoefficient(4.28333f * bellSpread, 44100.0f);
    return {.hammerOrder = 2,
            .hammerPole = 0.548333f,
            .hammerLevel = 1.51667e-3f,
            .hammerVelocitySens = 1.0f,
            .tineFrequency = 440.04f,
            .tineDecayCoef = decayCoefficient(1583.33f, 44100.0f),
            .tineReleaseCoef = decayCoefficient(14.95f, 44100.0f),
            .tineRingTime = 15.8333f,
            .bellRingTime = 0.715f,
            .bell1Frequency = 3083.36f,
            .bell1HoldCoef = bellHold,
            .bell1ReleaseCoef = bellRelease,
            .bell1Level = 2.4582e-2f,
            .bell2Frequency = 8568.66f,
            .bell2HoldCoef = bellHold,
            .bell2ReleaseCoef = bellRelease,
            .bell2Level = 2.4582e-2f,
            .damperLevel = 1.16667e-4f,
            .thumpCutoff = 175.593f,
            .thumpQ = 1.8f,
            .thumpGain = 9666.67f,
            .pickupOffset = 0.501667f,
            .outputCutoff = 400.0f,
            .outputQ = 1.65f,
            .outputGain = 1.78333f,
            .stereoSpread = stereoSpread,
            .velocityCurve = 7,
            .sampleRate = 44100.0f};
}

// The engine's side of a voice: the context, six shared scratch buffers and output channels.
struct VoiceRig {
    VoiceRig() {
        context.frameCount = kSlice;
        for (auto& b : scratch) {
            b.assign(kSlice, 0.0f);
        }
    }

    std::unique_ptr<KeyVoice> voice(int keyIndex, const NoteConfiguration& v, float velocity) {
        auto k = std::make_unique<KeyVoice>(&context);
        for (int i = 0; i < 6; ++i) {
            k->setInput(i, scratch[static_cast<size_t>(i)].data());
        }
        k->init();
        k->keyIndex = keyIndex;
        k->configureNote(v);
        k->setVelocity(velocity);
        k->trigger();
        return k;
    }

    // Renders one slice of a voice into fresh channels; answers left (or mono) and right.
    std::vector<float> render(KeyVoice& k, int channels = 1, std::vector<float>* right = nullptr) {
        const int n = context.frameCount;
        std::vector<float> left(static_cast<size_t>(n), 0.0f);
        std::vector<float> other(static_cast<size_t>(n), 0.0f);
        float* const outputs[2] = {left.data(), other.data()};
        k.render(channels, outputs, 1);
        if (right != nullptr) {
            *right = other;
        }
        return left;
    }

    std::vector<float> renderSlices(KeyVoice& k, int slices) {
        std::vector<float> out;
        for (int s = 0; s < slices; ++s) {
            const std::vector<float> y = render(k);
            out.insert(out.end(), y.begin(), y.end());
        }
        return out;
    }

    RenderContext context;
    std::vector<float> scratch[6];
};

double rms(const std::vector<float>& y, const std::vector<float>* minus = nullptr) {
    double sum = 0.0;
    for (size_t i = 0; i < y.size(); ++i) {
        const double d = static_cast<double>(y[i]) - (minus != nullptr ? (*minus)[i] : 0.0f);
        sum += d * d;
    }
    return std::sqrt(sum / static_cast<double>(y.size()));
}

TEST(KeyVoice, SilentVoiceFallsInactiveInThe2292ndSilentSample) {
    // An all-zero configuration makes every component output exact zeros. The running level
    // starts at 1 and falls by 0.99 per sample; 0.99^n < 1e-10 first holds for n = 2292
    // (ln 1e-10 / ln 0.99 = 2291.07), so one-sample slices show the exact sample.
    VoiceRig rig;
    rig.context.frameCount = 1;
    auto k = rig.voice(10, NoteConfiguration{}, 1.0f);
    for (int n = 1; n <= 2291; ++n) {
        const std::vector<float> y = rig.render(*k);
        ASSERT_EQ(y[0], 0.0f);
        ASSERT_TRUE(k->isActive()) << "sample " << n;
    }
    rig.render(*k);
    EXPECT_FALSE(k->isActive());
}

TEST(KeyVoice, InactiveOrUninitialisedVoiceMixesNothing) {
    VoiceRig rig;
    KeyVoice idle(&rig.context);
    std::vector<float> left(kSlice, 0.5f);
    std::vector<float> right(kSlice, 0.5f);
    float* const outputs[2] = {left.data(), right.data()};
    idle.configureNote(noteA4());
    idle.trigger();
    idle.render(2, outputs, 1);  // never initialised: no components to run

    auto k = rig.voice(0, noteA4(), 1.0f);
    k->reset();
    k->render(2, outputs, 1);
    k->render(3, outputs, 1);
    EXPECT_TRUE(std::all_of(left.begin(), left.end(), [](float v) { return v == 0.5f; }));
    EXPECT_TRUE(std::all_of(right.begin(), right.end(), [](float v) { return v == 0.5f; }));
}

TEST(KeyVoice, StereoPositionFollowsAQuarterCircleOverTheKeys) {
    const float spreads[] = {1.0f, 0.3f, 0.0f};
    const int keys[] = {0, 20, 44, 87};
    for (float s : spreads) {
        for (int key : keys) {
            VoiceRig rig;
            auto k = rig.voice(key, noteA4(s), 1.0f);
            const double theta = key * kPi / 176.0;
            // Float gains, 1e-6.
            EXPECT_NEAR(k->gainLeftNow(), s * std::cos(theta) + (1.0 - s), 1e-6);
            EXPECT_NEAR(k->gainRightNow(), s * std::sin(theta) + (1.0 - s), 1e-6);
        }
    }
    VoiceRig rig;
    auto first = rig.voice(0, noteA4(1.0f), 1.0f);
    EXPECT_EQ(first->gainLeftNow(), 1.0f);
    EXPECT_EQ(first->gainRightNow(), 0.0f);
}

TEST(KeyVoice, StereoMixScalesTheMonoSignalByTheGains) {
    VoiceRig rig;
    auto mono = rig.voice(30, noteA4(0.7f), 0.9f);
    auto stereo = rig.voice(30, noteA4(0.7f), 0.9f);
    auto centred = rig.voice(30, noteA4(0.0f), 0.9f);
    auto monoCentred = rig.voice(30, noteA4(0.0f), 0.9f);
    for (int s = 0; s < 6; ++s) {
        const std::vector<float> m = rig.render(*mono, 1);
        EXPECT_EQ(rig.render(*monoCentred, 1), m);  // a mono render ignores the position
        std::vector<float> r;
        const std::vector<float> l = rig.render(*stereo, 2, &r);
        std::vector<float> cr;
        const std::vector<float> cl = rig.render(*centred, 2, &cr);
        for (size_t i = 0; i < m.size(); ++i) {
            EXPECT_EQ(l[i], m[i] * stereo->gainLeftNow());
            EXPECT_EQ(r[i], m[i] * stereo->gainRightNow());
            // "Stereo" 0: both channels carry the mono signal unchanged.
            EXPECT_EQ(cl[i], m[i]);
            EXPECT_EQ(cr[i], m[i]);
        }
    }
}

TEST(KeyVoice, RestrikingARingingKeyAddsToItsRinging) {
    VoiceRig rig;
    auto again = rig.voice(48, noteA4(), 1.0f);
    auto once = rig.voice(48, noteA4(), 1.0f);
    auto reconfigured = rig.voice(48, noteA4(), 1.0f);
    rig.renderSlices(*again, 20);
    rig.renderSlices(*once, 20);
    rig.renderSlices(*reconfigured, 20);
    again->trigger();
    reconfigured->configureNote(noteA4());  // configuring keeps the signal state
    auto fresh = rig.voice(48, noteA4(), 1.0f);
    const std::vector<float> a = rig.renderSlices(*again, 4);
    const std::vector<float> o = rig.renderSlices(*once, 4);
    EXPECT_EQ(rig.renderSlices(*reconfigured, 4), o);
    const std::vector<float> f = rig.renderSlices(*fresh, 4);
    // A restarted voice would equal the fresh one exactly; the old ringing (only about 0.6 dB
    // down after 116 ms) keeps the two far apart, and the new pulse sets it apart from the
    // voice that was struck once.
    EXPECT_GT(rms(a, &f), 0.1 * rms(f));
    EXPECT_GT(rms(a, &o), 1e-3 * rms(o));
}

TEST(KeyVoice, ReleaseSwitchesToTheFastDecay) {
    VoiceRig rig;
    auto held = rig.voice(48, noteA4(), 1.0f);
    auto released = rig.voice(48, noteA4(), 1.0f);
    rig.renderSlices(*held, 8);
    rig.renderSlices(*released, 8);
    released->release();
    rig.renderSlices(*held, 10);
    rig.renderSlices(*released, 10);
    // 58 ms after the release the tine has lost 10 dB every 15 ms (about 39 dB), the held one
    // well under 1 dB; the released key is more than 20 dB quieter.
    EXPECT_LT(rms(rig.renderSlices(*released, 4)), 0.1 * rms(rig.renderSlices(*held, 4)));
}

TEST(KeyVoice, DamperNoiseReachesTheOutputOnlyThroughTheBells) {
    auto play = [](float bellLevel, float damperLevel) {
        NoteConfiguration v = noteA4();
        v.bell1Level = bellLevel;
        v.bell2Level = bellLevel;
        v.damperLevel = damperLevel;
        VoiceRig rig;
        auto k = rig.voice(48, v, 1.0f);
        std::vector<float> y = rig.renderSlices(*k, 4);
        k->release();
        const std::vector<float> after = rig.renderSlices(*k, 8);
        y.insert(y.end(), after.begin(), after.end());
        return y;
    };
    // Without bells the damper level changes nothing, not even by one bit: the thump filter
    // reads the clean pulse before the tine adds its contact signal to buffer 0.
    EXPECT_EQ(play(0.0f, 0.0f), play(0.0f, 0.02f));
    // With bells the contact signal rings in them after the release, and only after it.
    const std::vector<float> quiet = play(0.03f, 0.0f);
    const std::vector<float> noisy = play(0.03f, 0.02f);
    const auto split = quiet.begin() + 4 * kSlice;
    EXPECT_TRUE(std::equal(quiet.begin(), split, noisy.begin()));
    EXPECT_FALSE(std::equal(split, quiet.end(), noisy.begin() + 4 * kSlice));
}

TEST(KeyVoice, ThumpGainFollowsTheVelocityCurve) {
    // Tine held at decay 0 and bells at level 0 leave only the thump at the pickup; hammer
    // sensitivity 0 keeps the pulse independent of velocity.
    auto play = [](int code, float velocity, float thumpGain) {
        NoteConfiguration v = noteA4();
        v.tineDecayCoef = 0.0f;
        v.bell1Level = 0.0f;
        v.bell2Level = 0.0f;
        v.hammerVelocitySens = 0.0f;
        v.velocityCurve = code;
        v.thumpGain = thumpGain;
        VoiceRig rig;
        auto k = rig.voice(48, v, velocity);
        return rig.renderSlices(*k, 3);
    };
    const float g = 9666.67f;
    const std::vector<float> reference = play(0, 1.0f, g);
    EXPECT_GT(rms(reference), 1e-3);
    EXPECT_EQ(play(0, 0.3f, g), reference);   // code 0: velocity has no say
    EXPECT_EQ(play(12, 1.0f, g), reference);  // 1^512 = 1
    // Code 1 weights by v itself: at v = 0.5 an exact half of the gain.
    EXPECT_EQ(play(1, 0.5f, g), play(0, 0.5f, 0.5f * g));
    // Each further code squares once more: code k + 1 at v sounds as code k at v².
    const float v = 0.999f;  // keeps v^512 ≈ 0.6, so every code's thump is audible
    for (int code = 1; code <= 8; ++code) {
        EXPECT_EQ(play(code + 1, v, g), play(code, v * v, g)) << "code " << code;
    }
    // Every code outside 0 to 9 is the 512th power, one squaring beyond code 9.
    const std::vector<float> highest = play(12, v, g);
    EXPECT_EQ(highest, play(9, v * v, g));
    EXPECT_EQ(play(10, v, g), highest);
    EXPECT_EQ(play(-1, v, g), highest);
    EXPECT_NE(highest, play(9, v, g));
    EXPECT_NE(highest, reference);
}

TEST(KeyVoice, ResetSilencesAndEqualsAFreshVoice) {
    VoiceRig rig;
    auto used = rig.voice(48, noteA4(), 1.0f);
    used->age = 7;
    EXPECT_TRUE(used->checkGeneration(0));  // a fresh voice has generation 0
    EXPECT_FALSE(used->checkGeneration(3));
    EXPECT_TRUE(used->checkGeneration(3));
    rig.renderSlices(*used, 10);
    used->release();
    rig.renderSlices(*used, 3);
    used->reset();
    EXPECT_FALSE(used->isActive());
    EXPECT_EQ(used->age, 0);
    EXPECT_EQ(used->generationNow(), 0);
    EXPECT_EQ(used->levelNow(), 0.0f);
    EXPECT_EQ(used->velocityNow(), 1.0f);  // the velocity survives a reset

    used->configureNote(noteA4());
    used->trigger();
    auto fresh = rig.voice(48, noteA4(), 1.0f);
    EXPECT_EQ(rig.renderSlices(*used, 6), rig.renderSlices(*fresh, 6));
}

TEST(KeyVoice, VoiceWithoutScratchBuffersStillRenders) {
    RenderContext context;
    context.frameCount = kSlice;
    KeyVoice k(&context);
    k.init();
    k.configureNote(noteA4());
    k.setVelocity(1.0f);
    k.trigger();
    std::vector<float> left(kSlice, 0.0f);
    float* const outputs[2] = {left.data(), nullptr};
    k.render(1, outputs, 1);
    EXPECT_GT(rms(left), 1e-4);
    k.render(2, outputs, 1);  // a missing right channel mixes nothing rather than crashing
}

}  // namespace
