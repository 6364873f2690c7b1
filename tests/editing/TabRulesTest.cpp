// The tab rules without widgets: presence characters, anti-aliasing row, output name, area corners.
#include "editing/TabRules.h"
#include "scene/Errors.h"

#include <gtest/gtest.h>

namespace kelvane::test {

TEST(TabRules, LightPartsFromPresence)
{
    EXPECT_EQ(LightParts("110", "Lamp").directElement, "Lamp.light");
    // "000": one element under the plain name, taken as direct.
    const TLightParts whole = LightParts("000", "Ambient");
    EXPECT_TRUE(whole.direct);
    EXPECT_FALSE(whole.diffuse);
    EXPECT_EQ(whole.directElement, "Ambient");
    // Short or missing characters count as absent.
    EXPECT_FALSE(LightParts("", "X").direct);
    EXPECT_FALSE(LightParts("1", "X").diffuse);
}

TEST(TabRules, SlotsAndFilters)
{
    EXPECT_TRUE(SlotPresent("1000000001", 0));
    EXPECT_TRUE(SlotPresent("1000000001", 9));
    EXPECT_FALSE(SlotPresent("1000000001", 1));
    EXPECT_FALSE(SlotPresent("11", 5));
    EXPECT_FALSE(SlotPresent("11", -1));
    EXPECT_TRUE(FilterPresent("1"));
    EXPECT_FALSE(FilterPresent(""));
    EXPECT_FALSE(FilterPresent("10"));
}

TEST(TabRules, AntiAliasRow)
{
    const std::pair<const char*, int> cases[] = {
        {"", 0}, {"3", 0}, {"4", 1}, {"15", 2}, {"16", 3}, {"63", 6}, {"64", -1}, {"99999999999", -1}, {"-4", -1},
    };
    for (const auto& [samples, row] : cases)
        EXPECT_EQ(AntiAliasRow(samples), row) << samples;
    EXPECT_THROW(AntiAliasRow("many"), EConvertError);
    EXPECT_THROW(AntiAliasRow("9.5"), EConvertError);
}

TEST(TabRules, OutputStem)
{
    EXPECT_EQ(OutputStem("/renders/a.b/picture"), "/renders/a.b/picture");
    EXPECT_EQ(OutputStem("C:\\out\\x.y.tga"), "C:\\out\\x.y");
}

TEST(TabRules, AreaToDirection)
{
    // Corners in order around a flat square: the two normals cancel, the target is the centre.
    const TDirection flat = AreaToDirection({0, 0, 2}, {2, 0, 2}, {2, 2, 2}, {0, 2, 2});
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(flat.to[i], flat.from[i]);
    EXPECT_EQ(CoordinateText(flat.from[0]), "1");
    EXPECT_EQ(CoordinateText(flat.from[2]), "2");
    // Corners on one line give no normal.
    EXPECT_THROW(AreaToDirection({0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {3, 3, 3}), EKelvaneError);
    EXPECT_THROW(AreaToDirection({1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}), EKelvaneError);
}

} // namespace kelvane::test
