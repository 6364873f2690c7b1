// The tab rules without widgets: presence characters, light types, anti-aliasing row, output name.
#include "editing/TabRules.h"
#include "scene/Errors.h"

#include <gtest/gtest.h>

namespace kelvane::test {

TEST(TabRules, LightPartsFromPresence)
{
    const TLightParts lamp = LightParts("110", "Lamp");
    EXPECT_TRUE(lamp.direct);
    EXPECT_TRUE(lamp.diffuse);
    EXPECT_FALSE(lamp.caustic);
    EXPECT_EQ(lamp.directElement, "Lamp.light");
    // "000": one element under the plain name, taken as direct.
    const TLightParts whole = LightParts("000", "Ambient");
    EXPECT_TRUE(whole.direct);
    EXPECT_FALSE(whole.diffuse);
    EXPECT_EQ(whole.directElement, "Ambient");
    const TLightParts photons = LightParts("001", "P");
    EXPECT_FALSE(photons.direct);
    EXPECT_TRUE(photons.caustic);
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

TEST(TabRules, LightTypes)
{
    const TLightType* sun = FindLightType("sunlight");
    ASSERT_NE(sun, nullptr);
    EXPECT_EQ(sun->max, 50);
    EXPECT_EQ(sun->scale, 10);
    EXPECT_FALSE(sun->added);
    const TLightType* path = FindLightType("pathlight");
    ASSERT_NE(path, nullptr);
    EXPECT_TRUE(path->added && path->single && path->colourless);
    EXPECT_TRUE(FindLightType("hemilight")->single);
    EXPECT_FALSE(FindLightType("hemilight")->colourless);
    EXPECT_EQ(FindLightType("photonlight"), nullptr);
}

TEST(TabRules, AntiAliasRow)
{
    const std::pair<const char*, int> cases[] = {
        {"", 0}, {"0", 0}, {"1", 0}, {"4", 1}, {"5", 2}, {"9", 2}, {"49", 6}, {"50", 6}, {"51", -1},
        {"64", -1}, {"1e300", -1}, {"-4", -1},
    };
    for (const auto& [samples, row] : cases)
        EXPECT_EQ(AntiAliasRow(samples), row) << samples;
    EXPECT_THROW(AntiAliasRow("many"), EConvertError);
}

TEST(TabRules, OutputStem)
{
    EXPECT_EQ(OutputStem("picture.tga"), "picture");
    EXPECT_EQ(OutputStem("/renders/a.b/picture"), "/renders/a.b/picture");
    EXPECT_EQ(OutputStem("C:\\out\\x.y.tga"), "C:\\out\\x.y");
    EXPECT_EQ(OutputStem("noext"), "noext");
    EXPECT_EQ(OutputStem(""), "");
}

} // namespace kelvane::test
