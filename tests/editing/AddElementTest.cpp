// The add dialog's refusals, written through a real save.
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

TEST_F(TAdd, RefusalsLeaveTheSceneAlone)
{
    const int rows = session.RowCount();
    // Any kind's name counts.
    EXPECT_EQ(Add(TNewElementType::Shader, u"Cam").message, "The Name is already used.");
    EXPECT_EQ(Add(TNewElementType::SkyLight, u"Dome").message, "Hemilight is already in this scene.");
    EXPECT_EQ(session.RowCount(), rows);
    EXPECT_EQ(Saved().find("Dome"), std::string::npos);
}

} // namespace
} // namespace kelvane::test
