#include "shell/ScriptLine.h"

#include <gtest/gtest.h>

#include <sstream>

namespace kelvane {
namespace {

TEST(ScriptLine, SkipsBlankAndCommentLinesKeepingNumbers)
{
    std::istringstream in("select a\n\n   \t\n  # note\r\nshow b\r\n#\nwait");
    const std::vector<TScriptLine> lines = ReadScriptLines(in);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].number, 1);
    EXPECT_EQ(lines[1].number, 5);
    EXPECT_EQ(lines[1].text, "show b\r");
    EXPECT_EQ(lines[2].number, 7);
}

TEST(ScriptLine, MatchItemExactFirstThenWordsBeforeEquals)
{
    const std::vector<std::string> items{"image                      =jpeg", "noise =clouds", "mix", "mix", "a=1",
                                         "a  =2", "x = y"};
    EXPECT_EQ(MatchItem(items, "mix"), 2);                    // first of equal texts
    EXPECT_EQ(MatchItem(items, "image"), 0);                  // trailing blanks removed
    EXPECT_EQ(MatchItem(items, "noise =clouds"), 1);          // the whole text
    EXPECT_EQ(MatchItem(items, "a"), ItemAmbiguous);          // two items start "a ="
    EXPECT_EQ(MatchItem(items, "x"), 6);
    EXPECT_EQ(MatchItem(items, "jpeg"), -1);
    EXPECT_EQ(MatchItem(items, "imag"), -1);
    EXPECT_EQ(MatchItem({}, ""), -1);
}

TEST(ScriptLine, EscapesLineBreaksOnly)
{
    EXPECT_EQ(EscapeBreaks("a\r\nb\nc\\d\t"), "a\\r\\nb\\nc\\d\t");
    EXPECT_EQ(OnOff("on"), 1);
    EXPECT_EQ(OnOff("off"), 0);
    EXPECT_EQ(OnOff("On"), -1);
}

} // namespace
} // namespace kelvane
