// orvane-render run as a program on files written to a temporary folder: with a marker
// plug-in that writes one exact sample per note-on (where each event lands, what reaches the
// plug-in), and with the instrument itself (its parameter list, independence of block size).

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "SampleHash.h"
#include "SmfBuilder.h"

namespace fs = std::filesystem;

namespace {

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

struct Audio {
    SF_INFO info{};
    std::vector<float> left;
    std::vector<float> right;
};

std::string quoted(const std::string& text) {
    std::string q = "'";
    for (char c : text) {
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return q + "'";
}

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

    RunResult render(const std::vector<std::string>& arguments) const {
        std::string command = quoted(ORVANE_RENDER_BINARY);
        for (const std::string& a : arguments) {
            command.append(" ").append(quoted(a));
        }
        command.append(" >").append(quoted((dir / "stdout.txt").string()));
        command.append(" 2>").append(quoted((dir / "stderr.txt").string())).append(" </dev/null");
        RunResult run;
        const int raw = std::system(command.c_str());
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.out = slurp(dir / "stdout.txt");
        run.err = slurp(dir / "stderr.txt");
        fs::remove(dir / "stdout.txt");
        fs::remove(dir / "stderr.txt");
        return run;
    }

    std::string write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        const fs::path path = dir / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path.string();
    }

    std::string path(const std::string& name) const { return (dir / name).string(); }

    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    static Audio read(const std::string& file) {
        Audio audio;
        SNDFILE* f = sf_open(file.c_str(), SFM_READ, &audio.info);
        EXPECT_NE(f, nullptr) << sf_strerror(nullptr);
        if (f == nullptr) {
            return audio;
        }
        std::vector<float> frames(size_t(audio.info.frames) * size_t(audio.info.channels));
        EXPECT_EQ(sf_readf_float(f, frames.data(), audio.info.frames), audio.info.frames);
        sf_close(f);
        for (sf_count_t i = 0; audio.info.channels == 2 && i < audio.info.frames; ++i) {
            audio.left.push_back(frames[size_t(2 * i)]);
            audio.right.push_back(frames[size_t(2 * i + 1)]);
        }
        return audio;
    }

    fs::path dir;
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
    smf.track().event(480, {0x90, 64, 64}).event(480, {0x80, 64, 0}).endOfTrack();
    return smf.bytes();
}

TEST_F(RenderEndToEnd, EventsLandOnTheirFramesAcrossTracksChannelsAndBlocks) {
    const std::string in = write("tempo.mid", tempoMapFile());
    for (const char* block : {"100", "4096"}) {
        SCOPED_TRACE(block);
        const RunResult run = render({"--plugin", ORVANE_MARKER_PLUGIN, "--block", block, "--tail",
                                      "0.1", in, path("out.wav")});
        ASSERT_EQ(run.status, 0) << run.err;
        const Audio audio = read(path("out.wav"));
        // The last event (tick 1501) is at 1.4 + 61/480 * 0.75 s = 1.4953125 s, frame
        // 65943.28 -> 65943; the tail of 0.1 s adds 4410 frames.
        EXPECT_EQ(audio.info.frames, 65943 + 4410);
        std::vector<std::pair<size_t, float>> markers;
        for (size_t i = 0; i < audio.right.size(); ++i) {
            if (audio.right[i] != 0.0f) {
                markers.emplace_back(i, audio.right[i] * 128.0f);
            }
        }
        const std::vector<std::pair<size_t, float>> expected = {
            {8085, 60.0f}, {44100, 70.0f}, {52920, 62.0f}, {65874, 72.0f}};
        EXPECT_EQ(markers, expected);  // markers are exact binary fractions: no tolerance
        EXPECT_EQ(audio.left[8085], 64.0f / 128.0f);
        EXPECT_EQ(audio.left[65874], 16.0f / 128.0f);
    }
}

TEST_F(RenderEndToEnd, WavHeaderLengthRateAndChannels) {
    const std::string in = write("one.mid", oneNoteFile());
    struct Case {
        const char* format;
        int sndfileSubtype;
        uint16_t tag;  // WAVE_FORMAT_IEEE_FLOAT 3, WAVE_FORMAT_PCM 1
        uint16_t bits;
    };
    for (const Case& c :
         {Case{"float", SF_FORMAT_FLOAT, 3, 32}, Case{"pcm24", SF_FORMAT_PCM_24, 1, 24},
          Case{"pcm16", SF_FORMAT_PCM_16, 1, 16}}) {
        SCOPED_TRACE(c.format);
        const RunResult run = render({"--plugin", ORVANE_MARKER_PLUGIN, "--rate", "48000", "--tail",
                                      "0.25", "--format", c.format, in, path("out.wav")});
        ASSERT_EQ(run.status, 0) << run.err;
        const Audio audio = read(path("out.wav"));
        // Last event at tick 960 = 1 s = frame 48000; tail 0.25 s = 12000 frames.
        EXPECT_EQ(audio.info.frames, 48000 + 12000);
        EXPECT_EQ(audio.info.samplerate, 48000);
        EXPECT_EQ(audio.info.channels, 2);
        EXPECT_EQ(audio.info.format, SF_FORMAT_WAV | c.sndfileSubtype);
        // The marker of velocity 64 is 0.5, exact in every format.
        EXPECT_EQ(audio.left[24000], 0.5f);

        // The header's own bytes: RIFF size, WAVE, and the fmt chunk's fields.
        const std::string bytes = slurp(path("out.wav"));
        ASSERT_GT(bytes.size(), 44u);
        auto u16 = [&](size_t at) {
            return uint16_t(uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8);
        };
        auto u32 = [&](size_t at) { return uint32_t(u16(at)) | uint32_t(u16(at + 2)) << 16; };
        EXPECT_EQ(bytes.substr(0, 4), "RIFF");
        EXPECT_EQ(u32(4), bytes.size() - 8);
        EXPECT_EQ(bytes.substr(8, 4), "WAVE");
        size_t at = 12;
        while (at + 8 <= bytes.size() && bytes.substr(at, 4) != "fmt ") {
            at += 8 + u32(at + 4);
        }
        ASSERT_LE(at + 24, bytes.size());
        EXPECT_EQ(u16(at + 8), c.tag);
        EXPECT_EQ(u16(at + 10), 2);                        // channels
        EXPECT_EQ(u32(at + 12), 48000u);                   // frames per second
        EXPECT_EQ(u32(at + 16), 48000u * 2 * c.bits / 8);  // bytes per second
        EXPECT_EQ(u16(at + 20), 2 * c.bits / 8);           // bytes per frame
        EXPECT_EQ(u16(at + 22), c.bits);
        while (at + 8 <= bytes.size() && bytes.substr(at, 4) != "data") {
            at += 8 + u32(at + 4);
        }
        EXPECT_EQ(u32(at + 4), 60000u * 2 * c.bits / 8);  // the data chunk holds every frame
    }
}

TEST_F(RenderEndToEnd, ParametersAndStateReachThePluginBeforeTheFirstBlock) {
    const std::string in = write("one.mid", oneNoteFile());
    RunResult run =
        render({"--plugin", ORVANE_MARKER_PLUGIN, "--param", "Bias=0.25", "--param", "Level=0.5",
                "--save-state", path("state.bin"), "--tail", "0", in, path("a.wav")});
    ASSERT_EQ(run.status, 0) << run.err;
    Audio a = read(path("a.wav"));
    ASSERT_EQ(a.info.frames, 44101);  // note-off at 1 s (frame 44100) and that frame itself
    EXPECT_EQ(a.left[0], 0.25f);      // the bias is there from the very first frame
    EXPECT_EQ(a.left[22050], 0.25f + 0.5f * 64.0f / 128.0f);
    // The chunk is the two parameter values as little-endian floats: 0.5 and 0.25.
    EXPECT_EQ(slurp(path("state.bin")), std::string("\0\0\0\x3f\0\0\x80\x3e", 8));

    run = render({"--plugin", ORVANE_MARKER_PLUGIN, "--state", path("state.bin"), "--quiet", in,
                  path("b.wav")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");  // --quiet: no summary
    Audio b = read(path("b.wav"));
    EXPECT_EQ(b.left[0], 0.25f);
    EXPECT_EQ(b.left[22050], 0.5f);
}

TEST_F(RenderEndToEnd, SummaryOnStandardOutputAndNoProgressBarWithoutATerminal) {
    const std::string in = write("one.mid", oneNoteFile());
    const RunResult run =
        render({"--plugin", ORVANE_MARKER_PLUGIN, "--tail", "1", in, path("o.wav")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    // 88200 frames; left holds one 0.5 marker: peak 20 log10(0.5) = -6.02 dBFS, RMS
    // 10 log10(0.25 / 88200) = -55.48 dBFS. Right holds 64/128 too.
    EXPECT_NE(run.out.find("2.000 s (88200 frames at 44100 Hz"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("peak    left  -6.02 dBFS   right  -6.02 dBFS"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("RMS     left -55.48 dBFS   right -55.48 dBFS"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("x real time"), std::string::npos);
}

TEST_F(RenderEndToEnd, BadInputGetsOneLineErrorAndLeavesNoOutput) {
    const std::string good = write("good.mid", oneNoteFile());
    const std::string text = write("notes.mid", {'h', 'e', 'l', 'l', 'o', '\n'});
    std::vector<uint8_t> cut = oneNoteFile();
    cut.resize(cut.size() - 4);
    const std::string truncated = write("cut.mid", cut);
    const std::string marker = ORVANE_MARKER_PLUGIN;
    const std::string out = path("out.wav");
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"--plugin", marker, path("missing.mid"), out}, "missing.mid: cannot open: No such file"},
        {{"--plugin", marker, text, out}, "notes.mid: not a MIDI file"},
        {{"--plugin", marker, truncated, out}, "cut.mid: track 1 is truncated"},
        {{"--plugin", marker, "--param", "Loudness=0.5", good, out},
         "unknown parameter \"Loudness\"; valid names: \"Level\", \"Bias\""},
        {{"--plugin", marker, "--param", "Bias=1.01", good, out}, "outside 0..1"},
        {{"--plugin", path("none.so"), good, out}, "cannot load plug-in"},
        {{"--plugin", good, good, out}, "cannot load plug-in"},
        {{"--plugin", ORVANE_REFUSING_PLUGIN, good, out}, "entry point returned no effect"},
        {{"--plugin", marker, "--state", path("none.bin"), good, out}, "cannot read state file"},
        {{"--plugin", marker, good, path("no/such/dir/out.wav")}, "cannot write"},
    };
    const std::vector<std::string> before = files();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const RunResult run = render(c.arguments);
        EXPECT_NE(run.status, 0);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_EQ(files(), before);  // no output and no leftover partial file
    }

    // A failed render leaves an existing output file as it was.
    write("out.wav", {'k', 'e', 'e', 'p'});
    const RunResult run = render({"--plugin", marker, truncated, out});
    EXPECT_NE(run.status, 0);
    EXPECT_EQ(slurp(out), "keep");
}

#ifdef ORVANE_PIANO_PLUGIN

// A short phrase for the instrument: a soft chord held by the pedal, a loud melody note over
// it, the pedal lifted, a last note released; 0.9 s of audio with the tail.
std::vector<uint8_t> phraseFile() {
    SmfBuilder smf(0, 480);
    smf.track()
        .event(0, {0xB0, 64, 127})
        .event(0, {0x90, 48, 40})
        .event(0, {55, 45})
        .event(0, {60, 50})
        .event(60, {0x80, 48, 0})
        .event(0, {55, 0})
        .event(0, {60, 0})
        .event(37, {0x91, 76, 120})
        .event(200, {0xB0, 64, 0})
        .event(3, {0x81, 76, 64})
        .event(50, {0x90, 33, 90})
        .event(100, {33, 0})
        .endOfTrack();
    return smf.bytes();
}

TEST_F(RenderEndToEnd, InstrumentOutputFollowsEventsNotBlockSize) {
    const std::string in = write("phrase.mid", phraseFile());
    std::vector<Audio> renders;
    for (const char* block : {"64", "512", "4096"}) {
        const RunResult run = render({"--plugin", ORVANE_PIANO_PLUGIN, "--block", block, "--tail",
                                      "0.4", in, path(std::string("b") + block + ".wav")});
        ASSERT_EQ(run.status, 0) << run.err;
        renders.push_back(read(path(std::string("b") + block + ".wav")));
    }
    float peak = 0.0f;
    for (float x : renders[1].left) {
        peak = std::max(peak, std::fabs(x));
    }
    ASSERT_GT(peak, 0.01f) << "the instrument stayed silent";

    // Blocks of 512 and 4096 frames are both cut by the engine into the same 256-frame slices:
    // the host block alone must change nothing, down to the last bit.
    EXPECT_EQ(renders[1].left, renders[2].left);
    EXPECT_EQ(renders[1].right, renders[2].right);

    // Blocks of 64 frames make 64-frame slices. The engine decides a few things once per slice
    // (whether the hammer pulse has ended, the resonators' ring-time countdown, which runs in
    // whole slices), so the audio moves by far less than a thousandth of the peak (about
    // 1e-4 of it for this phrase). A single event placed one frame off moves a loud note's
    // waveform by a sizeable fraction of the peak (about 14 % for the loud E5 here), so the
    // bound of 1e-3 of the peak tells a misplaced event from the slicing.
    ASSERT_EQ(renders[0].info.frames, renders[1].info.frames);
    float largest = 0.0f;
    for (size_t i = 0; i < renders[1].left.size(); ++i) {
        largest = std::max({largest, std::fabs(renders[0].left[i] - renders[1].left[i]),
                            std::fabs(renders[0].right[i] - renders[1].right[i])});
    }
    EXPECT_LE(largest, 1e-3f * peak);
}

// The bundled demo at 44100 Hz, bit for bit as the reference engine rendered it (from the
// reset, as the reference did: no warm-up).
TEST_F(RenderEndToEnd, DemoRendersToItsReferenceBits) {
    const RunResult run = render(
        {"--plugin", ORVANE_PIANO_PLUGIN, "--no-warm-up", ORVANE_DEMO_MIDI, path("demo.wav")});
    ASSERT_EQ(run.status, 0) << run.err;
    const Audio demo = read(path("demo.wav"));
    EXPECT_EQ(demo.info.samplerate, 44100);
    EXPECT_EQ(sampleHash(demo.left, demo.right), 805776502507943435ull);
}

TEST_F(RenderEndToEnd, InstrumentParameterListAndStereoParameter) {
    RunResult run = render({"--plugin", ORVANE_PIANO_PLUGIN, "--list-params"});
    ASSERT_EQ(run.status, 0) << run.err;
    const char* names[] = {"Decay",  "Release", "Bell Volume",  "Damper Volume", "Stereo",
                           "Voices", "Tune",    "Tremolo Rate", "Tremolo Depth", "Tremolo Stereo"};
    size_t at = 0;
    for (const char* name : names) {
        SCOPED_TRACE(name);
        const size_t found = run.out.find(std::string(" ") + name + " ", at);
        ASSERT_NE(found, std::string::npos) << run.out;
        at = found;  // in index order
    }

    // "Stereo" at 0 puts every key in both channels at gain 1: left and right are equal.
    const std::string in = write("phrase.mid", phraseFile());
    run = render({"--plugin", ORVANE_PIANO_PLUGIN, "--param", "Stereo=0", "--tail", "0.2", in,
                  path("mono.wav")});
    ASSERT_EQ(run.status, 0) << run.err;
    const Audio mono = read(path("mono.wav"));
    EXPECT_EQ(mono.left, mono.right);
    run = render({"--plugin", ORVANE_PIANO_PLUGIN, "--tail", "0.2", in, path("wide.wav")});
    ASSERT_EQ(run.status, 0) << run.err;
    const Audio wide = read(path("wide.wav"));
    EXPECT_NE(wide.left, wide.right);
}

#endif

}  // namespace
