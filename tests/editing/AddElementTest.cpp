// New elements from the add dialog's checks and templates, written through a real save.
#include "editing/AddElement.h"
#include "editing/SceneSession.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace kelvane::test {
namespace {

constexpr std::string_view kScene = R"(<scene>
<shader type="generic" name="Mat"><attributes><color r="1" g="1" b="1"/></attributes></shader>
<light type="hemilight" name="Sky"></light>
<camera name="Cam" resx="10"></camera>
<render camera_name="Cam"><outfile value="a.tga"/></render>
</scene>
)";

struct TAdd : ::testing::Test {
    TAdd() : session(dir.Path())
    {
        session.OpenScene({dir.Write("scene.xml", kScene)});
        session.SelectRow(0);
    }
    TAddOutcome Add(TNewElementType type, const char16_t* name) { return AddElement(session, type, name); }
    std::string Saved()
    {
        session.CommitEdit();
        session.Save();
        return ReadAll(dir / "scene.xml");
    }

    TempDir dir;
    TSceneSession session;
};

TEST(AddElementName, OnlyTheFirstDotIsReplaced)
{
    EXPECT_EQ(NewElementName(u"my.mat"), u"my_mat");
    EXPECT_EQ(NewElementName(u"a.b.c"), u"a_b.c");
    EXPECT_EQ(NewElementName(u"plain"), u"plain");
}

TEST_F(TAdd, RefusalsLeaveTheSceneAlone)
{
    const int rows = session.RowCount();
    EXPECT_EQ(Add(TNewElementType::Shader, u"").message, "Fill Name.");
    EXPECT_EQ(Add(TNewElementType::Background, u"Mat").message, "The Name is already used.");
    // Any kind's name counts.
    EXPECT_EQ(Add(TNewElementType::Shader, u"Cam").message, "The Name is already used.");
    EXPECT_EQ(Add(TNewElementType::SkyLight, u"Dome").message, "Hemilight is already in this scene.");
    EXPECT_EQ(session.RowCount(), rows);
    EXPECT_EQ(Saved().find("Dome"), std::string::npos);
}

TEST_F(TAdd, EachKindWithItsDefaults)
{
    const TAddOutcome shader = Add(TNewElementType::Shader, u"my.mat");
    ASSERT_EQ(shader.message, "");
    EXPECT_EQ(shader.row, u"shader -- my_mat");
    EXPECT_EQ(session.SelectedName(), u"my_mat");
    EXPECT_TRUE(shader.shaderName);
    EXPECT_EQ(session.PresenceTable().Values(u"my_mat"), u"0000000000");
    // A sky light and a global-illumination light may coexist; a second background is fine.
    EXPECT_EQ(Add(TNewElementType::GILight, u"GI").row, u"light -- GI");
    EXPECT_EQ(Add(TNewElementType::GILight, u"GI2").message, "Pathlight is already in this scene.");
    EXPECT_EQ(Add(TNewElementType::Background, u"Bg1").message, "");
    EXPECT_TRUE(Add(TNewElementType::Background, u"Bg2").backgroundName);
    // The filter passes an empty name and is always "dof"; a second one is refused.
    const TAddOutcome filter = Add(TNewElementType::Filter, u"");
    EXPECT_EQ(filter.row, u"filter -- ");
    EXPECT_EQ(filter.name, u"dof");
    EXPECT_EQ(Add(TNewElementType::Filter, u"x").message, "Filter is already in this scene.");
    const std::string saved = Saved();
    EXPECT_NE(saved.find(R"(<shader name="my_mat" type="generic">)"), std::string::npos) << saved;
    EXPECT_NE(saved.find(R"(<color r="1" g="1" b="1"/>)"), std::string::npos);
    EXPECT_NE(saved.find(R"(<light name="GI" type="pathlight">)"), std::string::npos);
    EXPECT_NE(saved.find(R"(<background name="Bg2" type="constant">)"), std::string::npos);
    EXPECT_NE(saved.find(R"(<filter name="dof" type="dof">)"), std::string::npos);
}

} // namespace
} // namespace kelvane::test
