// The renderer's command line: defaults, every option, and the refusals.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CommandLine.h"
#include "ToolError.h"

namespace {

std::string refusal(const std::vector<std::string>& arguments) {
    try {
        CommandLine::parse(arguments);
    } catch (const ToolError& e) {
        EXPECT_EQ(e.exitStatus, 2);
        return e.what();
    }
    return "";
}

TEST(CommandLineParsing, Defaults) {
    const RenderOptions o = CommandLine::parse({"in.mid", "out.wav"});
    EXPECT_EQ(o.input, "in.mid");
    EXPECT_EQ(o.output, "out.wav");
    EXPECT_EQ(o.sampleRate, 44100u);
    EXPECT_EQ(o.blockSize, 512);
    EXPECT_EQ(o.tailSeconds, 2.0);
    EXPECT_EQ(o.format, SampleFormat::Float32);
    EXPECT_TRUE(o.parameters.empty());
    EXPECT_TRUE(o.pluginPath.empty());
    EXPECT_FALSE(o.quiet);
    EXPECT_FALSE(o.listParams);
}

TEST(CommandLineParsing, EveryOptionInBothSpellings) {
    const RenderOptions o = CommandLine::parse(
        {"--param", "Bell Volume=0.75", "in.mid", "--rate=48000", "--block", "64", "--tail", "0.5",
         "--format=pcm24", "--state", "a.bin", "--save-state=b.bin", "--plugin", "p.so",
         "--param=Tune=0", "--quiet", "out.wav"});
    ASSERT_EQ(o.parameters.size(), 2u);
    EXPECT_EQ(o.parameters[0].name, "Bell Volume");
    EXPECT_EQ(o.parameters[0].value, 0.75f);
    EXPECT_EQ(o.parameters[1].name, "Tune");
    EXPECT_EQ(o.parameters[1].value, 0.0f);
    EXPECT_EQ(o.sampleRate, 48000u);
    EXPECT_EQ(o.blockSize, 64);
    EXPECT_EQ(o.tailSeconds, 0.5);
    EXPECT_EQ(o.format, SampleFormat::Pcm24);
    EXPECT_EQ(o.stateFile, "a.bin");
    EXPECT_EQ(o.saveStateFile, "b.bin");
    EXPECT_EQ(o.pluginPath, "p.so");
    EXPECT_TRUE(o.quiet);
    EXPECT_EQ(o.input, "in.mid");
    EXPECT_EQ(o.output, "out.wav");

    EXPECT_EQ(CommandLine::parse({"--", "-in.mid", "out.wav"}).input, "-in.mid");
    EXPECT_TRUE(CommandLine::parse({"--list-params"}).listParams);
    EXPECT_EQ(CommandLine::parse({"--format", "pcm16", "a", "b"}).format, SampleFormat::Pcm16);
}

TEST(CommandLineRefusal, ParameterValues) {
    EXPECT_NE(refusal({"--param", "Decay=1.5", "a", "b"}).find("outside 0..1"), std::string::npos);
    EXPECT_NE(refusal({"--param", "Decay=-0.01", "a", "b"}).find("outside 0..1"),
              std::string::npos);
    EXPECT_NE(refusal({"--param", "Decay=loud", "a", "b"}).find("not a number"), std::string::npos);
    EXPECT_NE(refusal({"--param", "Decay=nan", "a", "b"}).find("not a number"), std::string::npos);
    EXPECT_NE(refusal({"--param", "Decay", "a", "b"}).find("NAME=VALUE"), std::string::npos);
    EXPECT_NE(refusal({"--param", "=0.5", "a", "b"}).find("NAME=VALUE"), std::string::npos);
    EXPECT_EQ(refusal({"--param", "Decay=1", "a", "b"}), "");  // both ends of 0..1 are valid
}

TEST(CommandLineRefusal, NumbersFormatsAndFiles) {
    EXPECT_NE(refusal({"--rate", "44.1k", "a", "b"}).find("--rate"), std::string::npos);
    EXPECT_NE(refusal({"--rate", "0", "a", "b"}).find("--rate"), std::string::npos);
    EXPECT_NE(refusal({"--block", "0", "a", "b"}).find("--block"), std::string::npos);
    EXPECT_NE(refusal({"--block", "-5", "a", "b"}).find("--block"), std::string::npos);
    EXPECT_NE(refusal({"--tail", "-1", "a", "b"}).find("--tail"), std::string::npos);
    EXPECT_NE(refusal({"--format", "mp3", "a", "b"}).find("--format"), std::string::npos);
    EXPECT_NE(refusal({"--rate"}).find("needs a value"), std::string::npos);
    EXPECT_NE(refusal({"--quiet=yes", "a", "b"}).find("takes no value"), std::string::npos);
    EXPECT_NE(refusal({"--loud", "a", "b"}).find("unknown option"), std::string::npos);
    EXPECT_NE(refusal({"a"}).find("expected IN.mid and OUT.wav"), std::string::npos);
    EXPECT_NE(refusal({"a", "b", "c"}).find("too many"), std::string::npos);
    EXPECT_NE(refusal({"a", "a"}).find("overwrite"), std::string::npos);
    EXPECT_NE(refusal({"--list-params", "a"}).find("takes no files"), std::string::npos);
}

}  // namespace
