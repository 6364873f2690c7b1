// The add dialog's refusals, written through a real save.
#include "editing/AddElement.h"
#include "editing/RowListing.h"
#include "editing/SceneSession.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace kelvane::test {
namespace {

constexpr std::string_view kScene = R"(<scene>
<shader type="generic" name="Mat"><attributes><color r="1" g="1" b="1"/></attributes></shader>
<light type="hemilight" name="Sky"></light>
<light type="pointlight" name="Lamp" power="3"><from x="0" y="0" z="1"/></light>
<camera name="Cam" resx="10"><from x="0" y="-4" z="3"/><to x="0" y="0" z="0"/></camera>
<render camera_name="Cam"><outfile value="a.tga"/></render>
</scene>
)";

struct TAdd : ::testing::Test {
    TAdd() : session(dir.Path())
    {
        session.OpenScene({dir.Write("scene.xml", kScene)});
        session.SelectRow(0);
    }
    TAddOutcome Add(TNewElementType type, const char* name) { return AddElement(session, type, name); }
    std::string Saved()
    {
        session.CommitEdit();
        session.Save();
        return ReadAll(dir / "scene.xml");
    }

    TempDir dir;
    TSceneSession session;
};

TEST_F(TAdd, RefusalsLeaveTheSceneAlone)
{
    const int rows = session.RowCount();
    // Any kind's name counts.
    EXPECT_EQ(Add(TNewElementType::Shader, "Cam").message, "The Name is already used.");
    EXPECT_EQ(Add(TNewElementType::SkyLight, "Dome").message, "Hemilight is already in this scene.");
    EXPECT_EQ(session.RowCount(), rows);
    EXPECT_EQ(Saved().find("Dome"), std::string::npos);
}

TEST_F(TAdd, DirectLightsStandAtTheCameraAndAimWhereItLooks)
{
    // A light's parts and row take the name too.
    EXPECT_EQ(Add(TNewElementType::PointLight, "Lamp").message, "The Name is already used.");
    const TAddOutcome spot = Add(TNewElementType::SpotLight, "Key.1");
    EXPECT_EQ(spot.message, "");
    EXPECT_EQ(spot.row, "light -- Key_1");
    EXPECT_EQ(session.SelectedName(), "Key_1");
    EXPECT_EQ(session.PresenceTable().Values("Key_1"), "100");
    EXPECT_EQ(Add(TNewElementType::SunLight, "Sun").message, "");
    EXPECT_EQ(Add(TNewElementType::AreaLight, "Panel").message, "");
    const std::string saved = Saved();
    // Distance 5: power 25 for a spot, 5 for an area light; a sun shines from the camera's side.
    EXPECT_NE(saved.find(R"(<light name="Key_1.light" type="spotlight" power="25">)"), std::string::npos) << saved;
    EXPECT_NE(saved.find(R"(<from x="0" y="-4" z="3"/>)"), std::string::npos);
    EXPECT_NE(saved.find(R"(<to x="0" y="0" z="0"/>)"), std::string::npos);
    EXPECT_NE(saved.find(R"(<color r="1" g="1" b="1"/>)"), std::string::npos);
    EXPECT_NE(saved.find(R"(<light name="Sun.light" type="sunlight" power="1">)"), std::string::npos);
    EXPECT_NE(saved.find(R"(<light name="Panel.light" type="arealight" power="5">)"), std::string::npos);
    // Reopened, they are lights with rows like loaded ones.
    session.OpenScene({dir / "scene.xml"});
    for (const char* row : {"light -- Key_1", "light -- Sun", "light -- Panel"})
        EXPECT_GE(session.FindRow(row), 0) << row;
}

TEST_F(TAdd, CameraCopiesTheRenderCameraWithoutRowAndUndoes)
{
    const int rows = session.RowCount(), selected = session.SelectedRow();
    {
        TEditStep step(session, "Add");
        const TAddOutcome added = Add(TNewElementType::Camera, "Shot");
        EXPECT_EQ(added.message, "");
        EXPECT_EQ(added.row, "");
    }
    EXPECT_EQ(session.RowCount(), rows);
    EXPECT_EQ(session.SelectedRow(), selected);
    EXPECT_EQ(session.CameraNames(), (std::vector<std::string>{"Cam", "Shot"}));
    EXPECT_EQ(session.RenderCameraName(), "Cam");
    EXPECT_EQ(Add(TNewElementType::Camera, "Shot").message, "The Name is already used.");
    ASSERT_TRUE(session.Undo());
    EXPECT_EQ(session.CameraNames(), std::vector<std::string>{"Cam"});
    ASSERT_TRUE(session.Redo());
    EXPECT_NE(Saved().find(R"(<camera name="Shot" resx="10">)"), std::string::npos);
}

TEST(AddWithoutCamera, LightsFallBackAndCamerasAreRefused)
{
    TempDir dir;
    TSceneSession session(dir.Path());
    session.OpenScene({dir.Write("scene.xml", R"(<scene>
<shader type="generic" name="Mat"></shader>
<render camera_name="Gone"><outfile value="a.tga"/></render>
</scene>
)")});
    session.SelectRow(0);
    EXPECT_EQ(AddElement(session, TNewElementType::Camera, "Shot").message, "The scene has no render camera to copy.");
    EXPECT_EQ(AddElement(session, TNewElementType::SoftLight, "Soft").message, "");
    session.CommitEdit();
    session.Save();
    const std::string saved = ReadAll(dir / "scene.xml");
    EXPECT_NE(saved.find(R"(<light name="Soft.light" type="softlight" power="75">)"),
              std::string::npos)
        << saved;
    EXPECT_NE(saved.find(R"(<from x="5" y="-5" z="5"/>)"), std::string::npos);
}

TEST(AddWithoutRows, TheFirstElementsOfAnEmptySceneAreAdded)
{
    TempDir dir;
    TSceneSession session(dir.Path());
    session.OpenScene({dir.Write("scene.xml", "<scene>\n</scene>\n")});
    ASSERT_EQ(session.RowCount(), 0);
    EXPECT_EQ(AddElement(session, TNewElementType::Shader, "Mat").message, "");
    session.SelectRow(-1);
    EXPECT_EQ(AddElement(session, TNewElementType::PointLight, "Lamp").message, "");
    EXPECT_EQ(AddElement(session, TNewElementType::Filter, "").message, "");
    EXPECT_EQ(ListRows(session.Rows()), "[x] filter -- \n[x] light -- Lamp\n[x] shader -- Mat\n");
    session.CommitEdit();
    session.Save();
    const std::string saved = ReadAll(dir / "scene.xml");
    EXPECT_NE(saved.find(R"(<shader name="Mat" type="generic">)"), std::string::npos) << saved;
    EXPECT_NE(saved.find(R"(<light name="Lamp.light" type="pointlight")"), std::string::npos);
    EXPECT_NE(saved.find(R"(<filter name="dof" type="dof")"), std::string::npos);
}

} // namespace
} // namespace kelvane::test
