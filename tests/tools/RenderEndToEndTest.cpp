// orvane-render run as a program on files in a temporary folder, with a marker plug-in that
// writes one exact sample per note-on: where each event lands, what reaches the plug-in, what
// the user reads. The instrument's own output is proven in the plug-in and engine tests.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "SmfBuilder.h"

namespace fs = std::filesystem;

namespace {

struct Audio {
    SF_INFO info{};
    std::vector<float> left, right;
};

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class RenderEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "orvane-render-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

    // Runs the renderer; answers its exit status, with its standard output and error in out, err.
    int render(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), ORVANE_RENDER_BINARY);
        std::string command;
        for (const std::string& a : arguments) {
            command += " '" + a + "'";  // no test path holds a quote
        }
        command += " >'" + path("stdout.txt") + "' 2>'" + path("stderr.txt") + "' </dev/null";
        const int raw = std::system(command.c_str());
        out = slurp(path("stdout.txt"));
        err = slurp(path("stderr.txt"));
        fs::remove(path("stdout.txt"));
        fs::remove(path("stderr.txt"));
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

    std::string write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        std::ofstream(dir / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path(name);
    }

    std::string path(const std::string& name) const { return (dir / name).string(); }

    size_t fileCount() const {
        return static_cast<size_t>(
            std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
    }

    static Audio read(const std::string& file) {
        Audio audio;
        SNDFILE* f = sf_open(file.c_str(), SFM_READ, &audio.info);
        EXPECT_NE(f, nullptr) << sf_strerror(nullptr);
        std::vector<float> frames(size_t(audio.info.frames) * size_t(audio.info.channels));
        if (f != nullptr) {
            EXPECT_EQ(sf_readf_float(f, frames.data(), audio.info.frames), audio.info.frames);
            sf_close(f);
        }
        for (size_t i = 0; audio.info.channels == 2 && i < frames.size(); i += 2) {
            audio.left.push_back(frames[i]);
            audio.right.push_back(frames[i + 1]);
        }
        return audio;
    }

    fs::path dir;
    std::string out, err;
};

// 480 ticks per quarter; tempo 500000 us until tick 960, 400000 until 1440, then 750000 (in
// track 0). Track 1 (channel 1) strikes note 60 at tick 176 and note 62 at tick 1200; track 2
// (channel 10) strikes note 70 at tick 960 and note 72 at tick 1500, each note ended by a
// note-on of velocity 0 in running status. Frames at 44100 Hz, by hand:
//   tick  176: 176/960 s                  = 0.183333 s -> 8085 (exactly 8085.0)
//   tick  960: 1.0 s                                    -> 44100
//   tick 1200: 1.0 + 240/480 * 0.4        = 1.2 s       -> 52920
//   tick 1500: 1.4 + 60/480 * 0.75        = 1.49375 s   -> 65874 (65874.375)
std::vector<uint8_t> tempoMapFile() {
    SmfBuilder smf(1, 480);
    smf.track().tempo(960, 400000).tempo(480, 750000).endOfTrack();
    smf.track().event(176, {0x90, 60, 64}).event(100, {60, 0}).event(924, {62, 32});
    smf.event(10, {62, 0}).endOfTrack();
    smf.track().event(960, {0x99, 70, 96}).event(0, {0xB9, 64, 127}).event(540, {0x99, 72, 16});
    smf.event(1, {0x89, 72, 0}).endOfTrack();
    return smf.bytes();
}

// One note at 0.5 s (tick 480 at the default tempo), ended a quarter later.
std::vector<uint8_t> oneNoteFile() {
    SmfBuilder smf(0, 480);
    return smf.track().event(480, {0x90, 64, 64}).event(480, {0x80, 64, 0}).endOfTrack().bytes();
}

TEST_F(RenderEndToEnd, EventsLandOnTheirFramesAcrossTracksChannelsAndBlocks) {
    const std::string in = write("tempo.mid", tempoMapFile());
    // Blocks of 100 frames put the event of frame 44100 on a block's first frame.
    for (const char* block : {"100", "4096"}) {
        SCOPED_TRACE(block);
        ASSERT_EQ(render({"--plugin", ORVANE_MARKER_PLUGIN, "--block", block, "--tail", "0.1", in,
                          path("out.wav")}),
                  0)
            << err;
        const Audio audio = read(path("out.wav"));
        // The last event (tick 1501) is at 1.4 + 61/480 * 0.75 s = 1.4953125 s, frame
        // 65943.28 -> 65943; the tail of 0.1 s adds 4410 frames.
        EXPECT_EQ(audio.info.frames, 65943 + 4410);
        std::vector<std::pair<size_t, float>> markers;  // frame, note (right: note / 128)
        for (size_t i = 0; i < audio.right.size(); ++i) {
            if (audio.right[i] != 0.0f) {
                markers.emplace_back(i, audio.right[i] * 128.0f);
            }
        }
        const std::vector<std::pair<size_t, float>> expected = {
            {8085, 60.0f}, {44100, 70.0f}, {52920, 62.0f}, {65874, 72.0f}};
        EXPECT_EQ(markers, expected);  // markers are exact binary fractions: no tolerance
        EXPECT_EQ(audio.left[8085], 64.0f / 128.0f);  // left: velocity / 128
        EXPECT_EQ(audio.left[65874], 16.0f / 128.0f);
    }
}

TEST_F(RenderEndToEnd, FormatsParametersStateAndSummary) {
    const std::string in = write("one.mid", oneNoteFile());
    for (const auto& [format, subtype] : {std::pair<std::string, int>{"float", SF_FORMAT_FLOAT},
                                          {"pcm24", SF_FORMAT_PCM_24},
                                          {"pcm16", SF_FORMAT_PCM_16}}) {
        ASSERT_EQ(render({"--plugin", ORVANE_MARKER_PLUGIN, "--rate=48000", "--format", format,
                          "--tail=0.25", in, path("f.wav")}),
                  0)
            << err;
        const Audio audio = read(path("f.wav"));
        EXPECT_EQ(audio.info.format, SF_FORMAT_WAV | subtype) << format;
        EXPECT_EQ(audio.info.samplerate, 48000);
        // The note-off at tick 960 = 1 s = frame 48000, then 0.25 s = 12000 frames of tail.
        EXPECT_EQ(audio.info.frames, 48000 + 12000);
        EXPECT_EQ(audio.left[24000], 0.5f);  // the marker of velocity 64, exact in every format
    }

    ASSERT_EQ(render({"--plugin", ORVANE_MARKER_PLUGIN, "--param=Bias=0.25", "--param", "Level=0.5",
                      "--save-state=" + path("state.bin"), "--tail", "1", in, path("a.wav")}),
              0)
        << err;
    // Two seconds; left holds the bias and one marker 0.5 * 64/128 above it; right one marker
    // 64/128: its peak is 20 log10(0.5) = -6.02 dBFS, its RMS 10 log10(0.25 / 88200) = -55.48.
    EXPECT_EQ(err, "");  // no progress bar without a terminal
    EXPECT_NE(out.find("2.000 s (88200 frames at 44100 Hz"), std::string::npos) << out;
    EXPECT_NE(out.find("right  -6.02 dBFS"), std::string::npos) << out;
    EXPECT_NE(out.find("right -55.48 dBFS"), std::string::npos) << out;
    Audio a = read(path("a.wav"));
    EXPECT_EQ(a.left[0], 0.25f);  // the bias is there from the very first frame
    EXPECT_EQ(a.left[22050], 0.25f + 0.5f * 64.0f / 128.0f);
    // The chunk is the two parameter values as little-endian floats: 0.5 and 0.25.
    EXPECT_EQ(slurp(path("state.bin")), std::string("\0\0\0\x3f\0\0\x80\x3e", 8));

    ASSERT_EQ(render({"--plugin", ORVANE_MARKER_PLUGIN, "--state", path("state.bin"), "--quiet",
                      "--tail", "0", in, path("b.wav")}),
              0)
        << err;
    EXPECT_EQ(out, "");  // --quiet: no summary
    Audio b = read(path("b.wav"));
    EXPECT_EQ(b.info.frames, 44101);  // the note-off's frame 44100 and that frame itself
    EXPECT_EQ(b.left[22050], 0.5f);
}

TEST_F(RenderEndToEnd, BadInputGetsOneLineErrorAndLeavesNoOutput) {
    const std::string good = write("good.mid", oneNoteFile());
    const std::string text = write("notes.mid", {'h', 'e', 'l', 'l', 'o', '\n'});
    const std::string marker = ORVANE_MARKER_PLUGIN;
    const std::string wav = path("out.wav");
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--plugin", marker, path("missing.mid"), wav}, "missing.mid: cannot open: No such file"},
        {{"--plugin", marker, text, wav}, "notes.mid: not a MIDI file"},
        {{"--plugin", marker, "--param", "Loudness=0.5", good, wav},
         "unknown parameter \"Loudness\"; valid names: \"Level\", \"Bias\""},
        {{"--plugin", path("none.so"), good, wav}, "cannot load plug-in"},
        {{"--plugin", good, good, wav}, "cannot load plug-in"},
        {{"--plugin", ORVANE_REFUSING_PLUGIN, good, wav}, "entry point returned no effect"},
        {{"--plugin", marker, "--state", path("none.bin"), good, wav}, "cannot read state file"},
        {{"--plugin", marker, good, path("no/such/dir/out.wav")}, "cannot write"},
    };
    const size_t before = fileCount();
    for (const auto& [arguments, message] : cases) {
        EXPECT_NE(render(arguments), 0) << message;
        EXPECT_NE(err.find(message), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_EQ(fileCount(), before);  // no output and no leftover partial file
    }
    write("out.wav", {'k', 'e', 'e', 'p'});  // a failed render leaves an existing file alone
    EXPECT_NE(render({"--plugin", marker, text, wav}), 0);
    EXPECT_EQ(slurp(wav), "keep");
}

#ifdef ORVANE_PIANO_PLUGIN

// The instrument's parameters listed in index order.
TEST_F(RenderEndToEnd, InstrumentParameterList) {
    ASSERT_EQ(render({"--plugin", ORVANE_PIANO_PLUGIN, "--list-params"}), 0) << err;
    size_t at = 0;
    for (const char* name : {"Decay", "Release", "Bell Volume", "Damper Volume", "Stereo", "Voices",
                             "Tune", "Tremolo Rate", "Tremolo Depth", "Tremolo Stereo"}) {
        at = out.find(std::string(" ") + name + " ", at);
        ASSERT_NE(at, std::string::npos) << name << " in\n" << out;
    }
}

// The renderer warms the plug-in up before the file's first frame: a note at t = 0 sounds as the
// same note does 1 s later (the output level's glide from silence after a reset is over). Blocks
// of 441 frames start both notes on a block, so the engine cuts both into the same slices.
TEST_F(RenderEndToEnd, FirstNoteEqualsTheSameNoteOneSecondLater) {
    std::vector<float> notes[2];
    for (uint32_t ticks : {0u, 960u}) {  // 960 ticks a second at the default tempo
        SmfBuilder smf(0, 480);
        smf.track().event(ticks, {0x90, 60, 100}).event(480, {0x80, 60, 0}).endOfTrack();
        const std::string wav = path("note.wav");
        ASSERT_EQ(render({"--plugin", ORVANE_PIANO_PLUGIN, "--block", "441", "--tail", "0.5",
                          write("note.mid", smf.bytes()), wav}),
                  0)
            << err;
        const Audio audio = read(wav);
        const size_t onset = size_t(ticks) * 44100 / 960;
        ASSERT_EQ(audio.left.size(), onset + 44100);  // 0.5 s held, then 0.5 s of tail
        notes[ticks != 0].assign(audio.left.begin() + std::ptrdiff_t(onset), audio.left.end());
        notes[ticks != 0].insert(notes[ticks != 0].end(),
                                 audio.right.begin() + std::ptrdiff_t(onset), audio.right.end());
    }
    float largest = 0.0f;
    for (size_t i = 0; i < notes[0].size(); ++i) {
        largest = std::max(largest, std::fabs(notes[0][i] - notes[1][i]));
    }
    EXPECT_LE(largest, 1e-6f);
}

#endif

}  // namespace
