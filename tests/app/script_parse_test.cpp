// Splitting script lines into words.
#include <gtest/gtest.h>

#include "script.h"

namespace {

using host::app::SplitScriptLine;

std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> words;
    std::string reason;
    EXPECT_TRUE(SplitScriptLine(line, &words, &reason)) << reason;
    return words;
}

TEST(ScriptLine, WordsQuotesAndComments) {
    EXPECT_EQ(Split("  click left t:480   n:60 shift+ctrl\r"),
              (std::vector<std::string>{"click", "left", "t:480", "n:60", "shift+ctrl"}));
    EXPECT_EQ(Split("expect-undo \"Draw MIDI Event\" # the last step"),
              (std::vector<std::string>{"expect-undo", "Draw MIDI Event"}));
    EXPECT_EQ(Split("save \"dir with # sign/out.mid\""), (std::vector<std::string>{"save", "dir with # sign/out.mid"}));
    EXPECT_EQ(Split("expect-undo \"\""), (std::vector<std::string>{"expect-undo", ""}));
    EXPECT_TRUE(Split("# only a comment").empty());
    EXPECT_TRUE(Split("").empty());
}

} // namespace
