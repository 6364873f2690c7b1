#include <gtest/gtest.h>

#include "scene/NameValueList.h"

namespace kelvane::test {
namespace {

std::string Lines(const TNameValueList& list)
{
    std::string text;
    for (int i = 0; i < list.Count(); ++i)
        text += Narrow(list.Line(i)) + " ";
    return text;
}

TEST(NameValueList, DuplicateNamesResolveToTheFirstThroughRemovals)
{
    TNameValueList list;
    list.Add(u"a", u"1");
    list.Add(u"b", u"");
    list.Add(u"a", u"2");
    list.SetValue(u"a", u"longer value");
    EXPECT_EQ(Lines(list), "a=longer value b= a=2 ");
    EXPECT_TRUE(list.Contains(u"b"));
    list.Remove(u"a");
    EXPECT_EQ(list.IndexOfName(u"a"), 1);
    EXPECT_EQ(list.Values(u"a"), u"2");
    list.Delete(0);
    EXPECT_EQ(list.IndexOfName(u"b"), -1);
    EXPECT_EQ(list.IndexOfName(u"a"), 0);
    list.SetValue(u"b", u"3");
    EXPECT_EQ(Lines(list), "a=2 b=3 ");
}

TEST(NameValueList, CopiesAndMovesKeepTheirOwnLookups)
{
    TNameValueList list;
    for (int i = 0; i < 100; ++i)
        list.Add(W("name" + std::to_string(i)), W(std::to_string(i)));
    TNameValueList copy = list;
    list.Delete(0);
    list.SetValue(u"name5", u"five");
    EXPECT_EQ(copy.IndexOfName(u"name0"), 0);
    EXPECT_EQ(copy.Values(u"name5"), u"5");
    EXPECT_EQ(list.IndexOfName(u"name99"), 98);
    TNameValueList moved = std::move(list);
    EXPECT_EQ(moved.Values(u"name5"), u"five");
    copy = moved;
    EXPECT_EQ(copy.IndexOfName(u"name0"), -1);
    EXPECT_EQ(copy.Count(), 99);
    list = std::move(copy);
    list.Add(u"name0", u"back");
    EXPECT_EQ(list.IndexOfName(u"name0"), 99);
}

} // namespace
} // namespace kelvane::test
