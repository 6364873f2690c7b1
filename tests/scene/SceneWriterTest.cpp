#include <gtest/gtest.h>

#include <random>

#include "scene/MeshStash.h"
#include "scene/ReorderReference.h"
#include "scene/SceneWriter.h"
#include "scene/WorkingTestHelpers.h"
#include "support/TempDir.h"

namespace kelvane::test {
namespace {

std::string Lines(std::initializer_list<const char*> lines)
{
    std::string out;
    for (const char* line : lines)
        out += std::string(line) + "\r\n";
    return out;
}

TEST(SceneWriterReorder, RegroupsByKind)
{
    struct Case {
        const char* name;
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"kind order", "<scene a=\"1\"><render></render><light></light><shader></shader>x<texture></texture></scene>",
         "<scene>\r\n       <texture></texture>\r\n       <shader></shader>\r\n       <light></light>\r\n"
         "       <render></render>\r\n</scene>"},
        {"objects inside transforms go with them",
         "<scene><object n=\"2\"></object><transform m=\"1\"><object n=\"1\"></object></transform></scene>",
         "<scene>\r\n       <transform m=\"1\"><object n=\"1\"></object></transform>\r\n"
         "       <object n=\"2\"></object>\r\n</scene>"},
        {"nested transforms stay whole",
         "<scene><transform a><transform b><object></object></transform></transform><transform c></transform></scene>",
         "<scene>\r\n       <transform a><transform b><object></object></transform></transform>\r\n"
         "       <transform c></transform>\r\n</scene>"},
        {"name that begins with a kind", "<scene><lightgroup></light><light x=\"1\"></light></scene>",
         "<scene>\r\n       <lightgroup></light>\r\n       <light x=\"1\"></light>\r\n</scene>"},
        {"self-closing start", "<scene><other><camera a=\"1\"/></other><camera></camera></scene>",
         "<scene>\r\n       <camera a=\"1\"/>\r\n       <camera></camera>\r\n       <other></other>\r\n</scene>"},
        {"start without end is dropped", "<scene><filter type=\"x\"><shader></shader></scene>",
         "<scene>\r\n       <shader></shader>\r\n</scene>"},
        {"orphan end tag before a start", "<scene></light><light></light></scene>",
         "<scene>\r\n       <light></light>\r\n</scene>"},
        {"quoted > inside a start tag", "<scene><light name=\"a>b\"></light></scene>",
         "<scene>\r\n       <light name=\"a>b\"></light>\r\n</scene>"},
        {"other items follow in text order; text, scene tags and declarations are dropped",
         "<!--c0-->junk<scene a=\"1\"><include/>t<!--c1--><mystery><!--in--><x></x></mystery><?pi?><light></light>"
         "<![CDATA[<y/>]]><open></scene><!--c2-->",
         "<scene>\r\n       <light></light>\r\n       <!--c0-->\r\n       <include/>\r\n       <!--c1-->\r\n"
         "       <mystery><!--in--><x></x></mystery>\r\n       <!--c2-->\r\n</scene>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReorderScene(c.in), c.out) << c.name;
}

// Removing an element can join what was before it with what follows into a new start, end tag
// or name end; the regrouping must see the text as the passes see it.
TEST(SceneWriterReorder, MatchesPlainPassesWhereRemovalsJoinText)
{
    const char* cases[] = {
        "<scene>       <lig<texture/>ht></light>",              // a start made by the join
        "<scene>       <light x>y</<texture/>light>",           // an end tag made by the join
        "<scene>       <light<texture/> a></light>",            // the name now ends
        "<scene>       <light abcdefgh/<texture/>><object/>",   // now self-closing
        "<scene>       <light abcdefgh <texture/>></light>",    // '>' only past a removed span
        "<scene>       <shader><texture><shader></texture></shader></shader>",
        "<scene>       <lightning></light><light><light/><light a></light></light>",
        "<scene>       <object><object></object><transform a><object/></transform>",
    };
    for (const char* text : cases)
        EXPECT_EQ(ReorderScene(text), ReferenceReorderScene(text)) << text;
    // Deep nesting that never closes, behind a join: each start's walk runs to the end.
    std::string deep = "<scene>  <<texture/> ";
    for (int k = 0; k < 3000; ++k)
        deep += k % 7 ? "<light a>\r\n" : "</light><light/><lightx>";
    EXPECT_EQ(ReorderScene(deep), ReferenceReorderScene(deep));
}

TEST(SceneWriterReorder, MatchesPlainPassesOnTagSoup)
{
    static const char* const bits[] = {
        "<texture", "<shader", "<transform", "<object", "<light", "<camera", "<background", "<filter", "<render",
        "</texture>", "</shader>", "</transform>", "</object>", "</light>", "</camera>", "</background>", "</filter>",
        "</render>", "<shaderX", "<lightning", "</lightX>", "<lig", "ht>", "<", "</", ">", "/>", "/", " a=\"1\"",
        "\r\n       ", "x", "<other>", "</other>", "<light>", "<camera/>", "<object name=\"o\">"};
    std::mt19937 rng(20261207);
    for (int i = 0; i < 20000; ++i) {
        // Blanks between some pieces: about half the soups can be regrouped in one scan.
        std::string text;
        for (size_t k = 1 + rng() % 40; k > 0; --k) {
            text += bits[rng() % std::size(bits)];
            if (rng() % 2)
                text += "\r\n              ";
        }
        ASSERT_EQ(ReorderScene(text), ReferenceReorderScene(text)) << text;
    }
}

// A scene text through stash, reader and writer, as a save does it.
struct TWriteFixture {
    explicit TWriteFixture(const std::string& sceneText)
    {
        shortened = stash.StashText(NormaliseLineEnds(sceneText));
        document = ParseSceneText(shortened);
        working.SetDocument(document.get());
    }
    std::string Write(std::vector<std::string> leftOut = {})
    {
        TempDir dir;
        WriteSceneFile(*document, presence, leftOut, stash, dir / "out.xml");
        return ReadAll(dir / "out.xml");
    }
    TMeshStash stash;
    std::string shortened;
    std::unique_ptr<TDomDocument> document;
    TNameValueList presence;
    TWorkingElement working{presence};
};

TEST(SceneWriterWrite, OneOfEachKindInKindOrder)
{
    TWriteFixture f(R"(<scene>
<render camera_name="Cam"><outfile value="a.tga"/></render>
<camera name="Cam" resx="320"><from x="0" y="0" z="1"/></camera>
<light type="pointlight" name="Lamp"><attributes></attributes></light>
<object name="Cube" shader_name="Mat"><attributes/></object>
<shader type="generic" name="Mat"><hard value="1"/><note>two
lines</note></shader>
<texture name="Mat0" type="clouds"></texture>
</scene>)");
    EXPECT_EQ(f.Write(), Lines({
                             "<scene>",
                             "       <texture name=\"Mat0\" type=\"clouds\">",
                             "       </texture>",
                             "       <shader type=\"generic\" name=\"Mat\">",
                             "              <hard value=\"1\"/>",
                             "              <note>two",  // text inside: no breaks added
                             "lines</note>",
                             "       </shader>",
                             "       <object name=\"Cube\" shader_name=\"Mat\">",
                             "              <attributes>",
                             "              </attributes>",
                             "       </object>",
                             "       <light type=\"pointlight\" name=\"Lamp\">",
                             "              <attributes>",
                             "              </attributes>",
                             "       </light>",
                             "       <camera name=\"Cam\" resx=\"320\">",
                             "              <from x=\"0\" y=\"0\" z=\"1\"/>",
                             "       </camera>",
                             "       <render camera_name=\"Cam\">",
                             "              <outfile value=\"a.tga\"/>",
                             "       </render>",
                             "</scene>",
                         }));
}

TEST(SceneWriterWrite, MeshBlocksAndTransformsComeBackByteForByte)
{
    const std::string mesh1 = "\t\t<points>\n\t\t\t<p x=\"1\" y=\"2\" z=\"3\"/>\n\t\t</points>\n\t\t<faces>\n"
                              "\t\t\t<f a=\"0\" b=\"0\" c=\"0\"/>\n\t\t</faces>\n";
    const std::string scene = "<scene>\n<transform m00=\"1\"\n m01=\"0\">\n<object name=\"A\">\n<attributes/>\n"
                              "\t<mesh>\n" + mesh1 + "\t</mesh>\n</object>\n</transform>\n"
                              "<object name=\"B\"><mesh>\r\n <points>\r\n<p x=\"7\"/>\r\n</points><faces>\r\n"
                              "</faces>\r\n</mesh></object>\n<render></render>\n</scene>\n";
    TWriteFixture f(scene);
    ASSERT_EQ(f.stash.MeshCount(), 2u);
    const std::string written = f.Write();
    for (size_t n = 0; n < f.stash.MeshCount(); ++n)
        EXPECT_NE(written.find(f.stash.Mesh(n)), std::string::npos) << n;
    EXPECT_NE(written.find(NormaliseLineEnds(mesh1).substr(2)), std::string::npos);
    EXPECT_NE(written.find("<transform m00=\"1\"\r\n m01=\"0\">"), std::string::npos);
    EXPECT_EQ(written.find("fake_"), std::string::npos);
    // And the written scene reads again.
    TWriteFixture again(written);
    EXPECT_EQ(Outline(again.document->DocumentElement()),
              "fake_transform[object=A[attributes mesh[fake_mesh]]] object=B[mesh[fake_mesh]] render");
}

// Past 64 levels lines are no longer indented, so the text of deep nesting grows with its depth;
// the line ends the restore steps rely on stay, and the written scene reads back the same.
TEST(SceneWriterWrite, DeepNestingKeepsItsLinesButNotItsIndentation)
{
    std::string scene = "<scene>\n";
    for (int level = 0; level < 100; ++level)
        scene += "<transform m00=\"" + std::to_string(level) + "\">\n";
    scene += "<object name=\"A\"><mesh>\n <points>\n<p x=\"1\"/>\n </points>\n <faces>\n </faces>\n</mesh></object>\n";
    for (int level = 0; level < 100; ++level)
        scene += "</transform>\n";
    scene += "<render></render>\n</scene>\n";
    TWriteFixture f(scene);
    const std::string written = f.Write();
    // (A restored transform tag is followed by LF alone, and the blank before "<points" moves.)
    EXPECT_NE(written.find("\n" + std::string(448, ' ') + "<transform m00=\"63\">\n<transform m00=\"64\">"),
              std::string::npos);
    EXPECT_NE(written.find("\n<object name=\"A\">\r\n<mesh>\r\n<points>\r\n<p x=\"1\"/>\r\n </points>\r\n <faces>\r\n"
                           " </faces>\r\n</mesh>\r\n</object>\r\n</transform>\r\n"),
              std::string::npos);
    EXPECT_LT(written.size(), 2 * 64 * 448 + 100 * 60);
    EXPECT_EQ(TWriteFixture(written).Write(), written);
}

TEST(SceneWriterWrite, ValueHoldingADoubleQuoteReadsBack)
{
    TWriteFixture f("<scene><object name='say \"hi\"'></object><render></render></scene>");
    const std::string written = f.Write();
    EXPECT_NE(written.find("<object name='say \"hi\"'>"), std::string::npos) << written;
    TWriteFixture again(written);
    EXPECT_EQ(again.document->DocumentElement()->FirstChild()->AsElement()->GetAttribute(u"name"), u"say \"hi\"");
}

TEST(SceneWriterWrite, UncheckedRowsAreLeftOutOfTheFileOnly)
{
    TWriteFixture f(R"(<scene>
<fake_transform trns="0"><object name="Cube"></object></fake_transform>
<object name="Ball"></object>
<light name="Lamp.light" type="pointlight"></light>
<light name="Lamp.diffuse" type="photonlight"></light>
<light name="Sky" type="hemilight"></light>
<filter name="an" type="antinoise"></filter>
<filter name="dof" type="dof"></filter>
<camera name="Cam"></camera>
<render camera_name="Cam"></render>
</scene>)");
    f.stash.StashText("<transform m00=\"1\">\r\n</transform>\r\n");
    f.presence.SetValue("Lamp", "110");
    f.presence.SetValue("Sky", "000");
    const std::string before = Flat(f.document.get());
    const std::string written =
        f.Write({"light -- Lamp", "filter -- ", "object -- Cube", "render -- Cam", "shader -- Nope"});
    TWriteFixture back(written);
    EXPECT_EQ(Outline(back.document->DocumentElement()), "object=Ball light=Sky camera=Cam render");
    EXPECT_EQ(Flat(f.document.get()), before);
}

TEST(SceneWriterWrite, FailedWriteLeavesTargetAndDocumentAlone)
{
    TempDir dir;
    const auto target = dir.Write("scene.xml", "old");
    TWriteFixture f("<scene><object name=\"A\"><mesh><fake_mesh mesh=\"7\"/></mesh></object>"
                    "<object name=\"B\"></object><render></render></scene>");
    const std::string before = Flat(f.document.get());
    EXPECT_THROW(WriteSceneFile(*f.document, f.presence, {"object -- B"}, f.stash, target), EListError);
    EXPECT_EQ(ReadAll(target), "old");
    EXPECT_EQ(Flat(f.document.get()), before);
}

} // namespace
} // namespace kelvane::test
