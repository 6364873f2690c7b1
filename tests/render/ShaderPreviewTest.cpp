// The preview's checks on the working element, made before anything changes.
#include "render/ShaderPreview.h"

#include "editing/SceneSession.h"
#include "scene/TextCodec.h"
#include "scene/skDom.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace kelvane;
using kelvane::test::TempDir;

namespace {

struct TShaderFixture {
    TempDir dir;
    TSceneSession session{dir.Path()};
    TShaderFixture()
    {
        const fs::path samples = fs::path(KELVANE_SOURCE_DIR) / "data" / "samples";
        fs::copy_file(samples / "sample.xml", dir / "s.xml");
        fs::copy_file(samples / "wood.jpg", dir / "wood.jpg");
        session.OpenScene({dir / "s.xml"});
        session.SelectRow(session.FindRow("shader -- Glass"));
    }
    // The held texture (after the shader) emptied of its parameters.
    void EmptyTexture()
    {
        TDomNode* texture = session.Working().Element()->FirstChild()->NextSibling();
        ASSERT_NE(texture, nullptr);
        ASSERT_EQ(texture->NodeName(), u"texture");
        while (TDomNode* child = texture->FirstChild())
            texture->RemoveChild(child);
    }
};

} // namespace

TEST(ShaderPreviewChecks, ParametersDeletedTexturesAndModulators)
{
    TShaderFixture f;
    EXPECT_EQ(CheckShaderPreview(f.session), "");
    f.EmptyTexture();
    EXPECT_EQ(CheckShaderPreview(f.session), "Lack of Texture or Clouds Parameter");
    // A removed texture without parameters is no obstacle.
    const_cast<TWorkingElement&>(f.session.Working()).SetMark(1, u"deleted");
    EXPECT_EQ(CheckShaderPreview(f.session), "");

    TShaderFixture g;
    TDomNode* modulator = g.session.Working().Element()->FirstChild()->FirstChild();
    while (modulator && modulator->NodeName() != u"modulator")
        modulator = modulator->NextSibling();
    ASSERT_NE(modulator, nullptr);
    while (TDomNode* child = modulator->FirstChild())
        modulator->RemoveChild(child);
    EXPECT_EQ(CheckShaderPreview(g.session), "Lack of Texture Setting :Glass0");
    // The view is closed again: the working element holds the shader and its texture.
    EXPECT_EQ(g.session.Working().Element()->FirstChild()->NodeName(), u"shader");
}
