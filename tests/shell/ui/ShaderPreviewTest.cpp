// Shader previews rendered through a renderer that keeps a copy of the scene it was given: the
// template, the shader renamed for the render and back, the preview list and the files removed.
#include "EditorFixture.h"

#include "editing/SceneSession.h"
#include "scene/TextCodec.h"

#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace kelvane::test {
namespace {

// The settings name a script that copies the scene aside and runs the stand-in renderer on it.
struct TPreviewFixture : TEditorFixture {
    explicit TPreviewFixture(const std::string& renderer = "")
        : TEditorFixture("")
    {
        const fs::path spy = dir / "spy.sh";
        dir.Write("spy.sh", "#!/bin/sh\ncp \"$1\" \"" + (dir / "given.xml").string() + "\"\nexec \"" +
                                KELVANE_STANDIN_EXE + "\" \"$1\"\n");
        ::chmod(spy.c_str(), 0755);
        dir.Write("Pellith.ini", "[System]\r\nEXEPath=" + (renderer.empty() ? spy.string() : renderer) + "\r\n");
        fs::copy(fs::path(KELVANE_SOURCE_DIR) / "data" / "preview", dir / "preview");
    }
    void Select(const char* row)
    {
        Main().listObjListClick(Main().Session().FindRow(row));
    }
    void Preview() { Main().findChild<QPushButton*>(QStringLiteral("btnPreview"))->click(); }
    std::string Thumb(const char* key) { return Main().Session().ThumbnailIndex().Values(key); }
    bool TemporaryFilesGone(const fs::path& folder)
    {
        return !fs::exists(folder / "~Preview.tmp") && !fs::exists(folder / "preview.jpg") &&
               !fs::exists(folder / "preview.tga");
    }
};

TEST(ShaderPreview, TheRendererGetsTheTemplateWithTheShaderRenamed)
{
    TPreviewFixture f;
    TfrmMain& m = f.Start();
    m.OpenScenes({f.CopySample("p")});
    f.Select("shader -- Glass");
    f.Preview();
    EXPECT_TRUE(f.dialogs.messages.empty()) << f.dialogs.messages.front().toStdString();
    EXPECT_EQ(f.Thumb("Glass_p"), "0");
    EXPECT_EQ(m.Session().GetValue("shader.shader.name", "Glass"), "Glass");

    // The scene given: the template's sphere, the shader under the name "preview", CR LF lines.
    const std::string given = ReadAll(f.dir / "given.xml");
    EXPECT_EQ(given.rfind("<scene>\r\n", 0), 0u);
    EXPECT_NE(given.find("name=\"prev_sphere\""), std::string::npos);
    EXPECT_NE(given.find("<shader type=\"generic\" name=\"preview\""), std::string::npos) << given.substr(0, 2000);
    EXPECT_EQ(given.find("name=\"Glass\""), std::string::npos);
    EXPECT_LT(given.find("<texture"), given.find("<shader"));

    // The cube for another shader: the next position in the list.
    m.findChild<QRadioButton*>(QStringLiteral("rgPreviewCube"))->setChecked(true);
    f.Select("shader -- Wood");
    f.Preview();
    EXPECT_NE(ReadAll(f.dir / "given.xml").find("name=\"prev_cube\""), std::string::npos);
    EXPECT_EQ(f.Thumb("Wood_p"), "1");
}

TEST(ShaderPreview, AMissingRendererChangesNothing)
{
    TPreviewFixture f("/nonexistent/yafray");
    TfrmMain& m = f.Start();
    const fs::path scene = f.CopySample("q");
    m.OpenScenes({scene});
    f.Select("shader -- Sky");
    f.Preview();
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_EQ(f.dialogs.messages[0], QStringLiteral("The renderer made no preview picture."));
    EXPECT_TRUE(f.TemporaryFilesGone(scene.parent_path()));
    EXPECT_EQ(m.Session().GetValue("shader.shader.name", "Sky"), "Sky");
    EXPECT_FALSE(m.Session().ThumbnailIndex().IndexOfName("Sky_p") >= 0);
}

} // namespace
} // namespace kelvane::test
