// The renderer's command line: the refusals, each with its reason and exit status 2 (the
// options' effects are proven end to end).
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
    return "accepted";
}

TEST(CommandLine, RefusalsNameTheirReason) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--param", "Decay=1.5", "a", "b"}, "outside 0..1"},
        {{"--param", "Decay=-0.01", "a", "b"}, "outside 0..1"},
        {{"--param", "Decay=nan", "a", "b"}, "not a number"},
        {{"--param", "Decay", "a", "b"}, "NAME=VALUE"},
        {{"--param", "=0.5", "a", "b"}, "NAME=VALUE"},
        {{"--rate", "44.1k", "a", "b"}, "--rate"},
        {{"--block", "0", "a", "b"}, "--block"},
        {{"--tail", "-1", "a", "b"}, "--tail"},
        {{"--format", "mp3", "a", "b"}, "--format"},
        {{"--rate"}, "needs a value"},
        {{"--quiet=yes", "a", "b"}, "takes no value"},
        {{"--loud", "a", "b"}, "unknown option"},
        {{"a"}, "expected IN.mid and OUT.wav"},
        {{"a", "b", "c"}, "too many"},
        {{"a", "a"}, "overwrite"},
        {{"--list-params", "a"}, "takes no files"},
    };
    for (const auto& [arguments, reason] : cases) {
        EXPECT_NE(refusal(arguments).find(reason), std::string::npos) << reason;
    }
    EXPECT_EQ(CommandLine::parse({"--", "-in.mid", "out.wav"}).input, "-in.mid");
    EXPECT_EQ(CommandLine::parse({"--param", "Decay=1", "a", "b"}).parameters[0].value, 1.0f);
}

}  // namespace
