// The renderer's warm-up: a note at the very start of a file sounds as the same note does a
// second later.

#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Renderer.h"
#include "SmfBuilder.h"

#ifdef ORVANE_PIANO_PLUGIN

namespace {

namespace fs = std::filesystem;

// Note 60 at `ticks` (960 ticks a second at the default tempo), held 0.5 s, then 0.5 s of
// release; the interleaved stereo frames from the note on.
std::vector<float> noteAt(uint32_t ticks) {
    const fs::path dir = fs::temp_directory_path();
    const std::string stem =
        "orvane-warm-up-" + std::to_string(::getpid()) + "-" + std::to_string(ticks);
    SmfBuilder smf(0, 480);
    smf.track().event(ticks, {0x90, 60, 100}).event(480, {0x80, 60, 0}).endOfTrack();
    const std::vector<uint8_t> bytes = smf.bytes();
    std::ofstream(dir / (stem + ".mid"), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    RenderOptions o;
    o.input = (dir / (stem + ".mid")).string();
    o.output = (dir / (stem + ".wav")).string();
    o.pluginPath = ORVANE_PIANO_PLUGIN;
    // 1 s is 100 blocks of 441 frames: both notes start a block, so the engine cuts both into
    // the same slices (it decides a few things per slice).
    o.blockSize = 441;
    o.tailSeconds = 0.5;
    o.quiet = true;
    EXPECT_EQ(Renderer(o).run(), 0);
    SF_INFO info{};
    SNDFILE* f = sf_open(o.output.c_str(), SFM_READ, &info);
    std::vector<float> frames(size_t(2 * info.frames));
    if (f != nullptr) {
        sf_readf_float(f, frames.data(), info.frames);
        sf_close(f);
    }
    fs::remove(o.input);
    fs::remove(o.output);
    const size_t onset = 2 * size_t(ticks) * 44100 / 960;
    return {frames.begin() + std::ptrdiff_t(std::min(onset, frames.size())), frames.end()};
}

TEST(RenderWarmUp, FirstNoteEqualsTheSameNoteOneSecondLater) {
    const std::vector<float> first = noteAt(0);
    const std::vector<float> later = noteAt(960);
    ASSERT_EQ(first.size(), 2u * 44100);  // the note-off at 0.5 s, then 0.5 s of tail
    ASSERT_EQ(later.size(), first.size());
    float largest = 0.0f;
    for (size_t i = 0; i < first.size(); ++i) {
        largest = std::max(largest, std::fabs(first[i] - later[i]));
    }
    EXPECT_LE(largest, 1e-6f);
}

}  // namespace

#endif
