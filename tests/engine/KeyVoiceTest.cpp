#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "KeyVoice.h"
#include "PianoCore.h"

namespace {

constexpr int kSlice = 256;

// Note A4 as the engine core configures it with the module's defaults at 44.1 kHz.
NoteConfiguration noteA4(float stereoSpread = 0.5f) {
    PianoCore core;
    core.setup(1, 2, 44100.0f);
    const float values[PianoCore::kValueCount] = {
        0, 100, 100, 1, 1, 0.1f, 0.1f, 100, 20, 0, 0.4f, 0, 0, 0, 0, 0, 0, 0, 0, 0, 180, 0, 44100};
    core.applyParameters(values, PianoCore::kSelectorAll);
    NoteConfiguration v = core.noteConfiguration(69);
    v.stereoSpread = stereoSpread;
    return v;
}

// The engine's side of a voice: the context and six shared scratch buffers.
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
    // Renders slices of a voice into fresh channels; answers left (or mono), right if asked.
    std::vector<float> render(KeyVoice& k, int slices, int channels = 1,
                              std::vector<float>* right = nullptr) {
        std::vector<float> out, other;
        for (int s = 0; s < slices; ++s) {
            std::vector<float> l(kSlice, 0.0f), r(kSlice, 0.0f);
            float* const outputs[2] = {l.data(), r.data()};
            k.render(channels, outputs, 1);
            out.insert(out.end(), l.begin(), l.end());
            other.insert(other.end(), r.begin(), r.end());
        }
        if (right != nullptr) {
            *right = other;
        }
        return out;
    }
    RenderContext context;
    std::vector<float> scratch[6];
};

double rms(const std::vector<float>& y) {
    double sum = 0.0;
    for (const float v : y) {
        sum += static_cast<double>(v) * v;
    }
    return std::sqrt(sum / static_cast<double>(y.size()));
}

}  // namespace

// Key k sits at theta = k pi/176 on a quarter circle, left gain s cos theta + 1 - s, right
// s sin theta + 1 - s; a stereo render scales the mono signal by them (float gains: 1e-6).
TEST(KeyVoice, StereoPositionFollowsAQuarterCircleOverTheKeys) {
    for (const float s : {1.0f, 0.3f, 0.0f}) {
        for (const int key : {0, 20, 44, 87}) {
            VoiceRig rig;
            auto mono = rig.voice(key, noteA4(s), 0.9f);
            auto stereo = rig.voice(key, noteA4(s), 0.9f);
            const double theta = key * std::numbers::pi / 176.0;
            EXPECT_NEAR(stereo->gainLeftNow(), s * std::cos(theta) + (1.0 - s), 1e-6);
            EXPECT_NEAR(stereo->gainRightNow(), s * std::sin(theta) + (1.0 - s), 1e-6);
            const std::vector<float> m = rig.render(*mono, 2);
            std::vector<float> r;
            const std::vector<float> l = rig.render(*stereo, 2, 2, &r);
            for (size_t i = 0; i < m.size(); ++i) {
                ASSERT_EQ(l[i], m[i] * stereo->gainLeftNow());
                ASSERT_EQ(r[i], m[i] * stereo->gainRightNow());
            }
        }
    }
}

// Without bells the damper level changes nothing, not even by one bit (the thump filter reads
// the clean pulse before the tine adds its contact signal); with bells the contact signal of a
// released tine rings in them after the release, and only after it.
TEST(KeyVoice, DamperNoiseReachesTheOutputOnlyThroughTheBells) {
    auto play = [](float bellLevel, float damperLevel) {
        NoteConfiguration v = noteA4();
        v.bell1Level = bellLevel;
        v.bell2Level = bellLevel;
        v.damperLevel = damperLevel;
        VoiceRig rig;
        auto k = rig.voice(48, v, 1.0f);
        std::vector<float> y = rig.render(*k, 4);
        k->release();
        const std::vector<float> after = rig.render(*k, 8);
        y.insert(y.end(), after.begin(), after.end());
        return y;
    };
    EXPECT_EQ(play(0.0f, 0.0f), play(0.0f, 0.02f));
    const std::vector<float> quiet = play(0.03f, 0.0f);
    const std::vector<float> noisy = play(0.03f, 0.02f);
    const auto split = quiet.begin() + 4 * kSlice;
    EXPECT_TRUE(std::equal(quiet.begin(), split, noisy.begin()));
    EXPECT_FALSE(std::equal(split, quiet.end(), noisy.begin() + 4 * kSlice));
}

// With the tine and bells silent and the hammer deaf to velocity only the thump sounds. Code 0
// ignores velocity, code 1 weights the gain by v, each further code squares once more (code
// k + 1 at v sounds as code k at v^2), and codes outside 0 to 9 take the 512th power.
TEST(KeyVoice, ThumpGainFollowsTheVelocityCurve) {
    auto play = [](int code, float velocity, float gainScale = 1.0f) {
        NoteConfiguration v = noteA4();
        v.tineDecayCoef = v.bell1Level = v.bell2Level = v.hammerVelocitySens = 0.0f;
        v.velocityCurve = code;
        v.thumpGain *= gainScale;
        VoiceRig rig;
        return rig.render(*rig.voice(48, v, velocity), 3);
    };
    EXPECT_GT(rms(play(0, 1.0f)), 1e-3);
    EXPECT_EQ(play(0, 0.3f), play(0, 1.0f));
    EXPECT_EQ(play(1, 0.5f), play(0, 1.0f, 0.5f));  // an exact half of the gain
    const float v = 0.999f;  // keeps v^512 near 0.6: every code's thump is audible
    for (int code = 1; code <= 8; ++code) {
        EXPECT_EQ(play(code + 1, v), play(code, v * v)) << "code " << code;
    }
    EXPECT_EQ(play(10, v), play(9, v * v));
    EXPECT_EQ(play(-1, v), play(9, v * v));
}
