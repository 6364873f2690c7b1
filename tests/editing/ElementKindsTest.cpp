// The kind table through its users: a made-up kind registered here reaches the catalogue, the
// writer's order, the kind colours and the add dialog's entries, and leaves with its registration.
#include "controls/KindColours.h"
#include "editing/AddElement.h"
#include "editing/SceneSession.h"
#include "scene/ElementKinds.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kelvane::test {
namespace {

constexpr std::string_view kScene = R"(<scene>
<volume type="fog" name="Mist"></volume>
<light type="hemilight" name="Sky"></light>
<shader type="generic" name="Mat"></shader>
<object name="Obj" shader_name="Mat"></object>
<camera name="Cam"><from x="0" y="-4" z="3"/><to x="0" y="0" z="0"/></camera>
<render camera_name="Cam"><outfile value="a.tga"/></render>
</scene>
)";

TElementKind Volume()
{
    return {.name = "volume", .row = TRowForm::Named, .writeOrder = 3, .colourKey = "FColor_V", .colour = 0x00FF00,
            .tabOrder = 6,
            .add = {{.caption = "volume", .position = 11, .type = "fog", .values = {{"volume.volume.density", "0.5"}}}}};
}

size_t At(const std::string& text, std::string_view what)
{
    return text.find(what);
}

TEST(ElementKinds, AMadeUpKindReachesEveryPlace)
{
    TempDir dir;
    TSceneSession session(dir.Path());
    {
        TKindRegistration volume(Volume());
        session.OpenScene({dir.Write("scene.xml", kScene)});
        EXPECT_GE(session.FindRow("volume -- Mist"), 0);
        session.SelectRow(0);

        const std::vector<TKindColour> colours = KindColours();
        ASSERT_EQ(colours.size(), 7u);
        EXPECT_EQ(colours.back().kind, "volume");
        EXPECT_EQ(colours.back().key, "FColor_V");

        const std::vector<TAddChoice> choices = AddChoices();
        ASSERT_EQ(choices.size(), 12u);
        EXPECT_EQ(choices.back().entry->caption, "volume");
        const TAddOutcome added = AddElement(session, choices.back(), "Haze");
        EXPECT_EQ(added.message, "");
        EXPECT_EQ(added.row, "volume -- Haze");
        session.CommitEdit();
        session.Save();
        const std::string saved = ReadAll(dir / "scene.xml");
        // Written after the objects, before the lights, with its default.
        EXPECT_LT(At(saved, "<object"), At(saved, "<volume name=\"Haze\" type=\"fog\" density=\"0.5\">")) << saved;
        EXPECT_LT(At(saved, "<volume type=\"fog\" name=\"Mist\">"), At(saved, "<light"));
    }
    // Unregistered, it is an element of another name: no row, kept after the kinds.
    EXPECT_EQ(KindColours().size(), 6u);
    EXPECT_EQ(AddChoices().size(), 11u);
    session.OpenScene({dir / "scene.xml"});
    EXPECT_LT(session.FindRow("volume -- Haze"), 0);
    session.Save();
    const std::string saved = ReadAll(dir / "scene.xml");
    EXPECT_LT(At(saved, "<render"), At(saved, "<volume"));
}

TEST(ElementKinds, WriterOrderOfTheBuiltInKinds)
{
    EXPECT_EQ(WriterKindOrder(), (std::vector<std::string_view>{"texture", "shader", "transform", "object", "light",
                                                                "camera", "background", "filter", "render"}));
}

} // namespace
} // namespace kelvane::test
