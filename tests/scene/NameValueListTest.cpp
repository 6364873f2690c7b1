#include <gtest/gtest.h>

#include "scene/NameValueList.h"

namespace kelvane::test {
namespace {

std::string Lines(const TNameValueList& list)
{
    std::string text;
    for (int i = 0; i < list.Count(); ++i)
        text += list.Line(i) + " ";
    return text;
}

TEST(NameValueList, DuplicateNamesResolveToTheFirstThroughRemovals)
{
    TNameValueList list;
    list.Add("a", "1");
    list.Add("b", "");
    list.Add("a", "2");
    list.SetValue("a", "longer value");
    EXPECT_EQ(Lines(list), "a=longer value b= a=2 ");
    EXPECT_TRUE(list.Contains("b"));
    list.Remove("a");
    EXPECT_EQ(list.IndexOfName("a"), 1);
    EXPECT_EQ(list.Values("a"), "2");
    list.Delete(0);
    EXPECT_EQ(list.IndexOfName("b"), -1);
    EXPECT_EQ(list.IndexOfName("a"), 0);
    list.SetValue("b", "3");
    EXPECT_EQ(Lines(list), "a=2 b=3 ");
}

TEST(NameValueList, CopiesAndMovesKeepTheirOwnLookups)
{
    TNameValueList list;
    for (int i = 0; i < 100; ++i)
        list.Add("name" + std::to_string(i), std::to_string(i));
    TNameValueList copy = list;
    list.Delete(0);
    list.SetValue("name5", "five");
    EXPECT_EQ(copy.IndexOfName("name0"), 0);
    EXPECT_EQ(copy.Values("name5"), "5");
    EXPECT_EQ(list.IndexOfName("name99"), 98);
    TNameValueList moved = std::move(list);
    EXPECT_EQ(moved.Values("name5"), "five");
    copy = moved;
    EXPECT_EQ(copy.IndexOfName("name0"), -1);
    EXPECT_EQ(copy.Count(), 99);
    list = std::move(copy);
    list.Add("name0", "back");
    EXPECT_EQ(list.IndexOfName("name0"), 99);
}

} // namespace
} // namespace kelvane::test
