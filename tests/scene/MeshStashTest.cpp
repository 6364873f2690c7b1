#include "scene/MeshStash.h"

#include "scene/Errors.h"
#include "scene/FileIO.h"
#include "scene/SceneText.h"
#include "scene/skDom.h"
#include "scene/skParser.h"
#include "scene/TextCodec.h"
#include "support/TempDir.h"
#include "MeshStashReference.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

using namespace kelvane;
using kelvane::test::ReadAll;
using kelvane::test::TempDir;
using kelvane::test::TReferenceStash;

namespace {

std::string Crlf(std::string_view lines)
{
    std::string out;
    for (char c : lines) {
        if (c == '\n')
            out += "\r\n";
        else
            out += c;
    }
    return out;
}

// A scene the way exporters lay it out: one element per line, tab indentation, each object in a
// transform, a comment before each block.
std::string ExporterScene(int objects, int faces)
{
    std::string s = "<scene>\n";
    s += "\t<shader type=\"generic\" name=\"Mat\">\n\t\t<attributes>\n\t\t\t<color r=\"0.8\" g=\"0.8\" b=\"0.8\"/>\n";
    s += "\t\t</attributes>\n\t</shader>\n";
    for (int o = 0; o < objects; ++o) {
        s += "\t<!-- object " + std::to_string(o) + " -->\n";
        s += "\t<transform m00=\"1\" m01=\"0\" m02=\"0\" m03=\"" + std::to_string(o) + "\"\n\t\tm10=\"0\" m11=\"1\">\n";
        s += "\t<object name=\"Obj" + std::to_string(o) + "\" shader_name=\"Mat\" shadow=\"on\">\n";
        s += "\t\t<attributes>\n\t\t</attributes>\n\t\t<mesh autosmooth=\"30\" has_orco=\"off\">\n";
        s += "\t\t\t<points>\n";
        for (int p = 0; p < faces + 2; ++p)
            s += "\t\t\t\t<p x=\"" + std::to_string(p) + "\" y=\"0.5\" z=\"-1\"/>\n";
        s += "\t\t\t</points>\n\t\t\t<faces>\n";
        for (int f = 0; f < faces; ++f)
            s += "\t\t\t\t<f a=\"" + std::to_string(f) + "\" b=\"" + std::to_string(f + 1) + "\" c=\"" +
                 std::to_string(f + 2) + "\"/>\n";
        s += "\t\t\t</faces>\n\t\t</mesh>\n\t</object>\n\t</transform>\n";
    }
    s += "\t<camera name=\"Cam\" resx=\"320\" resy=\"240\" focal=\"1\">\n\t\t<from x=\"0\" y=\"0\" z=\"5\"/>\n";
    s += "\t</camera>\n\t<render camera_name=\"Cam\" raydepth=\" \">\n\t</render>\n</scene>\n";
    return Crlf(s);
}

std::string ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const EKelvaneError& e) {
        return std::string(typeid(e).name()) + ": " + e.what();
    }
    return {};
}

// Random texts made of pieces that matter to the stash, including broken and split ones.
std::string RandomText(std::mt19937& rng, const std::vector<std::string_view>& pieces, size_t maxPieces)
{
    std::uniform_int_distribution<size_t> count(0, maxPieces);
    std::uniform_int_distribution<size_t> pick(0, pieces.size() - 1);
    std::string s;
    for (size_t i = count(rng); i > 0; --i)
        s += pieces[pick(rng)];
    return s;
}

const std::vector<std::string_view> kStashPieces = {
    "<points", "</faces>", "<points>\r\n<p x=\"1\"/>\r\n", "</faces>\r\n", "<", "/faces>", "points",
    "<transform", "<transform m=\"1\">", "</transform>", "</transform", ">", "<!--", "-->", "--", "-",
    "!", "<!", "\"", " ", "\" \"", "\r\n", "\t", "x", "<a>", "</a>", "<b/>", "transform", "<!-- c -->",
    "<!-- <a/> -->", "<!--<a/>-->", "<fake_mesh mesh=\"0\" />"};

} // namespace

// ---------------------------------------------------------------------------------------------
// The edge cases of the stash

TEST(MeshStash, SceneWithoutMeshesChangesOnlyLineEndsAndBlankValues)
{
    TempDir dir;
    const auto scene = dir.Write("plain.xml", "<scene>\n<render a=\" \" b=\"x\">\r</render>\r\n</scene>");
    TMeshStash stash;
    ASSERT_TRUE(stash.StashMeshes(scene, dir / "~Fake.tmp"));
    EXPECT_EQ(ReadAll(dir / "~Fake.tmp"), "<scene>\r\n<render a=\"\" b=\"x\">\r\n</render>\r\n</scene>\r\n\r\n");
    EXPECT_EQ(stash.MeshCount(), 0u);
    EXPECT_EQ(stash.TransformCount(), 0u);
}

TEST(MeshStash, PlaceholdersAreNumberedInTextOrder)
{
    TMeshStash stash;
    const std::string text = Crlf(
        "<scene>\n<transform a=\"1\">\n<transform a=\"2\">\n <mesh>\n  <points>\n  </points>\n  <faces>\n"
        "  </faces>\n </mesh>\n</transform>\n</transform>\n<transform a=\"3\">\n <mesh>\n  <points>\n"
        "  </faces>\n </mesh>\n</transform>\n</scene>\n");
    const std::string out = stash.StashText(text);
    EXPECT_EQ(out, "<scene>\r\n<fake_transform trns=\"0\">\r\n<fake_transform trns=\"1\">\r\n <mesh>\r\n "
                   "<fake_mesh mesh=\"0\" /> \n </mesh>\r\n</fake_transform>\r\n</fake_transform>\r\n"
                   "<fake_transform trns=\"2\">\r\n <mesh>\r\n <fake_mesh mesh=\"1\" /> \n </mesh>\r\n"
                   "</fake_transform>\r\n</scene>\r\n");
    ASSERT_EQ(stash.MeshCount(), 2u);
    EXPECT_EQ(stash.Mesh(0), Crlf("<points>\n  </points>\n  <faces>\n  </faces>\r"));
    EXPECT_EQ(stash.Mesh(1), "<points>\r\n  </faces>\r");
    ASSERT_EQ(stash.TransformCount(), 3u);
    EXPECT_EQ(stash.Transform(0), "<transform a=\"1\">");
    EXPECT_EQ(stash.Transform(2), "<transform a=\"3\">");
    // The nested pair reads without errors.
    TXMLParser parser;
    parser.TrimText = true;
    EXPECT_NO_THROW(parser.ReadTokens(out));
}

TEST(MeshStash, CommentRules)
{
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        // A comment of words on its own line goes; its line end stays.
        {"<!-- exported by K-3D -->\r\n<scene>\r\n</scene>\r\n", "\r\n<scene>\r\n</scene>\r\n"},
        // Markup put out of use stays a comment, with or without blanks: a marker stands for it.
        {"<scene>\r\n<!-- <light/> -->\r\n</scene>\r\n", "<scene>\r\n<!--fake_comment 0-->\r\n</scene>\r\n"},
        {"<scene>\r\n<!--<light/>-->\r\n</scene>\r\n", "<scene>\r\n<!--fake_comment 0-->\r\n</scene>\r\n"},
        // A stray end after a marker still goes; the marker's own end stays.
        {"<a><!--<b/>--> x --></a>", "<a><!--fake_comment 0--> x</a>"},
        // A comment start that never ends loses "<!-".
        {"<a><!-- open\r\n</a>", "<a>- open\r\n</a>"},
        // Comments run to their first "-->", wherever it is.
        {"<a><!-- one --><!-- two --></a>", "<a></a>"},
        // Left open by the rules: no '<' after the start, then the whole comment or "<!-" goes;
        // a stray "-->" with no '>' before it goes alone.
        {"text <!-- tail -->", "text "},
        {"text <!--", "text -"},
        {"a --> b", "a  b"},
    };
    for (const Case& c : cases) {
        TMeshStash stash;
        EXPECT_EQ(stash.StashText(c.in), c.out) << c.in;
    }
}

TEST(MeshStash, CommentedOutMarkupComesBackWholeWithItsMeshesAndTransforms)
{
    // An object put out of use with its mesh data and transform, and a light without blanks.
    const std::string text = Crlf(
        "<scene>\n<!--\n<transform m00=\"2\">\n<object name=\"Old\">\n <mesh>\n  <points>\n  </points>\n  <faces>\n"
        "  </faces>\n </mesh>\n</object>\n</transform>\n-->\n<transform m00=\"1\">\n</transform>\n"
        "<!--<light name=\"L\"/>-->\n</scene>\n");
    TMeshStash stash;
    const std::string out = stash.StashText(text);
    EXPECT_EQ(out, "<scene>\r\n<!--fake_comment 0-->\r\n<fake_transform trns=\"0\">\r\n</fake_transform>\r\n"
                   "<!--fake_comment 1-->\r\n</scene>\r\n");
    ASSERT_EQ(stash.CommentCount(), 2u);
    EXPECT_EQ(stash.Comment(1), "<!--<light name=\"L\"/>-->");
    ASSERT_EQ(stash.TransformCount(), 1u);
    EXPECT_EQ(stash.Transform(0), "<transform m00=\"1\">");
    // The tree holds the markers as comments: no element of the commented text is read.
    TXMLParser parser;
    parser.TrimText = true;
    parser.ReadTokens(out);
    auto doc = parser.CreateDocument();
    EXPECT_EQ(doc->GetElementsByTagName(u"light")->Length(), 0);
    EXPECT_EQ(doc->GetElementsByTagName(u"object")->Length(), 0);
    // Restored, the comment is the text it was, its mesh data put back as every mesh block is
    // (the blank before "<points" moves behind it); a marker the stash does not know stays.
    std::string expected = text;
    expected.replace(expected.find("  <points>"), 10, " <points>");
    expected.replace(expected.find("</faces>\r\n"), 10, "</faces>\r \n");
    expected.replace(expected.find("\"1\">\r\n"), 6, "\"1\">\n");
    EXPECT_EQ(stash.RestoreMeshes(stash.RestoreTransforms(out)), expected);
    EXPECT_EQ(stash.RestoreMeshes("<!--fake_comment 7--><!--fake_comment x-->"), "<!--fake_comment 7--><!--fake_comment x-->");
}

TEST(MeshStash, CasesTheRulesLeaveOpenEnd)
{
    struct Case {
        const char* in;
        const char* out;
        size_t meshes, transforms;
    };
    const Case cases[] = {
        // "</faces>" with no "<points" before it stays.
        {"a</faces>\r\n", "a</faces>\r\n", 0, 0},
        {"a</faces> <points x</faces>\r\n", "a</faces><fake_mesh mesh=\"0\" /> \n", 1, 0},
        // "<points" without "</faces>" stays.
        {" <points>\r\n", " <points>\r\n", 0, 0},
        // A transform start tag without '>' runs to the end; one without end tag renames none.
        {"<a><transform m=\"1\"\r\n", "<a><fake_transform trns=\"0\">", 0, 1},
        {"<transform a=\"1\"><x/>\r\n", "<fake_transform trns=\"0\"><x/>\r\n", 0, 1},
    };
    for (const Case& c : cases) {
        TMeshStash stash;
        EXPECT_EQ(stash.StashText(c.in), c.out) << c.in;
        EXPECT_EQ(stash.MeshCount(), c.meshes) << c.in;
        EXPECT_EQ(stash.TransformCount(), c.transforms) << c.in;
    }
}

TEST(MeshStash, MissingFileChangesNothing)
{
    TempDir dir;
    TMeshStash stash;
    stash.StashText(ExporterScene(2, 3));
    const std::string fake = dir.Write("~Fake.tmp", "old").string();
    EXPECT_FALSE(stash.StashMeshes(dir / "missing.xml", fake));
    EXPECT_EQ(stash.MeshCount(), 2u);
    EXPECT_EQ(ReadAll(fake), "old");
    // A folder is there but cannot be read: a file error, the lists kept.
    EXPECT_THROW(stash.StashMeshes(dir.Path(), fake), EFileError);
    EXPECT_EQ(stash.MeshCount(), 2u);
}

TEST(MeshStash, ReadAheadIsTakenOnlyForTheSameVersionOfTheFile)
{
    TempDir dir;
    const auto scene = dir.Write("a.xml", ExporterScene(3, 4));
    const auto other = dir.Write("b.xml", ExporterScene(1, 2));
    const auto fake = dir / "~Fake.tmp";
    TMeshStash plain;
    ASSERT_TRUE(plain.StashMeshes(scene, fake));
    const std::string expected = ReadAll(fake);
    {
        TStashReadAhead ahead(scene);
        TMeshStash stash;
        ASSERT_TRUE(stash.StashMeshes(scene, fake));
        EXPECT_EQ(ReadAll(fake), expected);
        ASSERT_EQ(stash.MeshCount(), 3u);
        EXPECT_EQ(stash.Mesh(2), plain.Mesh(2));
    }
    {
        // Another file is read as it is.
        TStashReadAhead ahead(scene);
        TMeshStash stash;
        ASSERT_TRUE(stash.StashMeshes(other, fake));
        EXPECT_EQ(stash.MeshCount(), 1u);
    }
    {
        // The file written since: its new text.
        TStashReadAhead ahead(scene);
        dir.Write("a.xml", ExporterScene(2, 4));
        TMeshStash stash;
        ASSERT_TRUE(stash.StashMeshes(scene, fake));
        EXPECT_EQ(stash.MeshCount(), 2u);
    }
    {
        TStashReadAhead ahead(dir / "missing.xml");
        TStashReadAhead unused(other);  // dropped with its result
    }
}

// ---------------------------------------------------------------------------------------------
// Restoring

TEST(MeshStash, RestoreRoundTripGivesBackEveryBlock)
{
    const std::string scene = ExporterScene(4, 5);
    TMeshStash stash;
    const std::string shortened = stash.StashText(scene);
    ASSERT_EQ(stash.MeshCount(), 4u);
    ASSERT_EQ(stash.TransformCount(), 4u);

    // Through the reader and the tree's text form, as a write does.
    TXMLParser parser;
    parser.TrimText = true;
    parser.ReadTokens(shortened);
    auto doc = parser.CreateDocument();
    const std::string text = Narrow(doc->GetXML(7, 7));
    const std::string restored = stash.RestoreMeshes(stash.RestoreTransforms(text));
    EXPECT_EQ(restored.find("fake_"), std::string::npos);

    size_t from = 0;
    for (size_t n = 0; n < stash.MeshCount(); ++n) {
        std::string block(stash.Mesh(n));
        block += '\n';
        const size_t at = restored.find(block, from);
        ASSERT_NE(at, std::string::npos) << n;
        from = at + block.size();
    }
    // Every block is the scene's own text, byte for byte.
    size_t sceneFrom = 0;
    for (size_t n = 0; n < stash.MeshCount(); ++n) {
        const size_t at = scene.find(stash.Mesh(n), sceneFrom);
        ASSERT_NE(at, std::string::npos);
        sceneFrom = at + stash.Mesh(n).size();
    }
    // Each restored start tag is followed by LF alone.
    EXPECT_NE(restored.find(std::string(stash.Transform(0)) + "\n"), std::string::npos);
    EXPECT_EQ(restored.find(std::string(stash.Transform(0)) + "\r"), std::string::npos);
}

TEST(MeshStash, EmptiedNestedTransformComesBackClosed)
{
    TMeshStash stash;
    const std::string shortened = stash.StashText(
        "<scene>\r\n<transform a=\"1\">\r\n<transform b=\"2\">\r\n</transform>\r\n<object name=\"o\">\r\n"
        "</object>\r\n</transform>\r\n</scene>\r\n");
    TXMLParser parser;
    parser.TrimText = true;
    parser.ReadTokens(shortened);
    const std::string written = Narrow(parser.CreateDocument()->GetXML(7, 7));
    ASSERT_NE(written.find("<fake_transform trns=\"1\"/>"), std::string::npos) << written;
    const std::string restored = stash.RestoreTransforms(written);
    EXPECT_NE(restored.find("<transform b=\"2\"></transform>"), std::string::npos) << restored;
    TXMLParser again;
    EXPECT_NO_THROW(again.ReadTokens(restored)) << restored;
}

TEST(MeshStash, RestoreErrors)
{
    TMeshStash stash;
    stash.StashText(ExporterScene(1, 1));
    struct Case {
        const char* text;
        bool meshes;
        const char* error;
    };
    const Case cases[] = {
        {"<fake_mesh mesh=\"x1\"/>\r\n", true, "'x1' is not a valid integer value"},
        {"<fake_mesh mesh=\"$1\"/>\r\n", true, "'$1' is not a valid integer value"},
        {"<fake_mesh mesh=\"1\"/>\r\n", true, "List index out of bounds (1)"},
        {"<fake_mesh mesh=\"-1\"/>\r\n", true, "List index out of bounds (-1)"},
        {"<fake_mesh mesh=\"0", true, "'' is not a valid integer value"},
        {"<fake_transform trns=\"\">", false, "'' is not a valid integer value"},
        {"<fake_transform trns=\"3\">\r\n</fake_transform>", false, "List index out of bounds (3)"},
    };
    for (const Case& c : cases) {
        try {
            if (c.meshes)
                stash.RestoreMeshes(c.text);
            else
                stash.RestoreTransforms(c.text);
            ADD_FAILURE() << c.text;
        } catch (const EKelvaneError& e) {
            EXPECT_EQ(e.what(), std::string(c.error)) << c.text;
            if (std::string(c.error).find("List") == 0)
                EXPECT_NE(dynamic_cast<const EListError*>(&e), nullptr);
            else
                EXPECT_NE(dynamic_cast<const EConvertError*>(&e), nullptr);
        }
    }
}

// The text given in parts split anywhere (inside marks and numbers too) writes what the whole text
// restores, and fails the same way.
TEST(MeshStash, RestoreInPartsWritesTheSameText)
{
    TempDir dir;
    TMeshStash stash;
    stash.StashText(ExporterScene(3, 200) + "<!-- <x/>\r\n <points>\r\n</faces>\r\n-->");
    ASSERT_EQ(stash.CommentCount(), 1u);
    auto inParts = [&](const std::string& text, size_t a, size_t b) -> std::string {
        try {
            TAtomicFileWriter writer(dir / "out.xml");
            TMeshRestorer restorer(stash, writer, 1);
            restorer.Feed(std::string_view(text).substr(0, a));
            restorer.Feed(std::string_view(text).substr(a, b - a));
            restorer.Feed(std::string_view(text).substr(b));
            restorer.Finish();
            writer.Commit();
            return ReadAll(dir / "out.xml");
        } catch (const EKelvaneError& e) {
            return std::string("!") + e.what();
        }
    };
    for (const std::string text : {"<scene>\r\n<fake_mesh mesh=\"2\"/>\r\nx<fake_mesh mesh=\"0\"/>\r\n</scene>\r\n",
                                   "a<fake_mesh mesh=\"1\"", "<fake_mesh mesh=\"1x\"/>", "b<fake_mesh mesh=\"7\"/>",
                                   "<fake_mesh mesh=\"0", "a<!--fake_comment 0-->b<!--fake_comment 1-->",
                                   "<!--fake_comment 0"}) {
        std::string whole;
        try {
            whole = stash.RestoreMeshes(text);
        } catch (const EKelvaneError& e) {
            whole = std::string("!") + e.what();
        }
        for (size_t a = 0; a <= text.size(); ++a)
            for (size_t b = a; b <= text.size(); b += 3)
                ASSERT_EQ(inParts(text, a, b), whole) << text << " split at " << a << ", " << b;
    }
}

// ---------------------------------------------------------------------------------------------
// The fast passes against the literal ones

TEST(MeshStash, StashMatchesLiteralPassesOnRandomTexts)
{
    std::mt19937 rng(20240611);
    for (int i = 0; i < 20000; ++i) {
        std::string text = RandomText(rng, kStashPieces, 24);
        if (i % 2)  // mostly mesh data: the stash keeps the text itself
            text += "\r\n <points>" + std::string(400, 'x') + "\r\n</faces>\r\n";
        TReferenceStash ref;
        const std::string expected = ref.StashText(text);
        TMeshStash stash;
        ASSERT_EQ(stash.StashText(text), expected) << "input: " << text;
        ASSERT_EQ(stash.MeshCount(), ref.meshes.size()) << text;
        for (size_t n = 0; n < ref.meshes.size(); ++n)
            ASSERT_EQ(stash.Mesh(n), ref.meshes[n]) << text;
        ASSERT_EQ(stash.TransformCount(), ref.transforms.size()) << text;
        for (size_t n = 0; n < ref.transforms.size(); ++n)
            ASSERT_EQ(stash.Transform(n), ref.transforms[n]) << text;
        ASSERT_EQ(stash.CommentCount(), ref.comments.size()) << text;
        for (size_t n = 0; n < ref.comments.size(); ++n)
            ASSERT_EQ(stash.Comment(n), ref.comments[n]) << text;
    }
}

TEST(MeshStash, StashMatchesLiteralPassesOnGeneratedScenes)
{
    for (int objects : {0, 1, 3, 10}) {
        const std::string scene = ExporterScene(objects, 4);
        TReferenceStash ref;
        TMeshStash stash;
        EXPECT_EQ(stash.StashText(scene), ref.StashText(scene));
        EXPECT_EQ(stash.MeshCount(), ref.meshes.size());
    }
}

// Short transform tags shrink the text (the restore in place gives way to the general one),
// long ones grow it.
class MeshStashRestore : public ::testing::TestWithParam<const char*> {};
INSTANTIATE_TEST_SUITE_P(TagLengths, MeshStashRestore, ::testing::Values("", " m00=\"1.000000\" m01=\"0.000000\""));

TEST_P(MeshStashRestore, MatchesLiteralPassesOnRandomTexts)
{
    TMeshStash stash;
    TReferenceStash ref;
    const std::string more = GetParam();
    const std::string lists = Crlf("<transform a=\"0\"" + more + ">\n<transform b=\"1\"" + more +
                                   ">\n<transform c=\"2\">\n <points>\n</faces>\n"
                                   " <points> a\n</faces>\n <points>\n<fake_mesh mesh=\"0\"/>\n</faces>\n"
                                   "<!-- <b/> -->\n<!-- <c>\n <points>\n</faces>\n-->\n");
    stash.StashText(lists);
    ref.StashText(lists);
    ASSERT_EQ(stash.TransformCount(), 3u);
    ASSERT_EQ(stash.MeshCount(), 4u);
    ASSERT_EQ(stash.CommentCount(), 2u);
    const std::vector<std::string_view> pieces = {
        "<fake_transform trns=\"0\">", "<fake_transform trns=\"1\">", "<fake_transform trns=\"2\">",
        "<fake_transform trns=\"0\"/>", "<fake_transform trns=\"01\">", "</fake_transform>",
        "</transform>", "<fake_mesh mesh=\"0\"/>", "<fake_mesh mesh=\"1\"/>", "<fake_mesh mesh=\"2\"/>",
        "<fake_mesh mesh=\"2\" />", "\r\n", "x", " ", "\"", "<a>", "</a>", "fake_", "transform>",
        // Parts of an end tag that cutting a placeholder out can join.
        "</fake_", "</", "<", "/fake_transform>", "ke_transform>", "nsform>",
        "<!--fake_comment 0-->", "<!--fake_comment 1-->", "<!--fake_comment ", "-->", "1-->"};
    const std::vector<std::string_view> rare = {"<fake_transform trns=\"9\">", "<fake_mesh mesh=\"z\"/>", "<!--fake_comment 2-->",
                                                "<fake_transform trns=\"", "<fake_mesh mesh=\""};
    std::mt19937 rng(77);
    std::uniform_int_distribution<int> percent(0, 99);
    for (int i = 0; i < 20000; ++i) {
        std::string text = RandomText(rng, pieces, 20);
        if (percent(rng) < 5)
            text += rare[static_cast<size_t>(percent(rng)) % rare.size()];
        std::string fast, slow;
        const std::string fastError = ErrorOf([&] { fast = stash.RestoreTransforms(text); });
        const std::string slowError = ErrorOf([&] { slow = ref.RestoreTransforms(text); });
        ASSERT_EQ(fastError, slowError) << text;
        ASSERT_EQ(fast, slow) << text;
        std::string inPlace = text;
        const std::string inPlaceError = ErrorOf([&] { stash.RestoreTransformsInPlace(inPlace); });
        ASSERT_EQ(inPlaceError, slowError) << text;
        if (slowError.empty()) {
            ASSERT_EQ(inPlace, slow) << text;
        }
        const std::string fastMeshError = ErrorOf([&] { fast = stash.RestoreMeshes(text); });
        const std::string slowMeshError = ErrorOf([&] { slow = ref.RestoreMeshes(text); });
        ASSERT_EQ(fastMeshError, slowMeshError) << text;
        ASSERT_EQ(fast, slow) << text;
    }
}

// ---------------------------------------------------------------------------------------------
// Reading files: line ends and encodings

TEST(MeshStash, LineEndsBecomeCrLfWhileReading)
{
    TempDir dir;
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {"a\nb\n", "a\r\nb\r\n"},   {"a\nb", "a\r\nb\r\n"},     {"a\r\nb", "a\r\nb\r\n"},
        {"a\rb\r", "a\r\nb\r\n"},   {"a\r\n\nb\r", "a\r\n\r\nb\r\n"}, {"", ""},
        {"\n", "\r\n"},             {"x", "x\r\n"},
        {std::string(5000, 'x') + "\n" + std::string(40, 'y'), std::string(5000, 'x') + "\r\n" + std::string(40, 'y') + "\r\n"},
        {std::string(100, '\n'), [] { std::string s; for (int i = 0; i < 100; ++i) s += "\r\n"; return s; }()},
        // Line ends across the 16-byte blocks the counting looks at.
        {std::string(15, 'x') + "\r\n" + std::string(30, 'y') + "\r\n", std::string(15, 'x') + "\r\n" + std::string(30, 'y') + "\r\n"},
        {std::string(15, 'x') + "\rz" + std::string(30, 'y') + "\r\n", std::string(15, 'x') + "\r\nz" + std::string(30, 'y') + "\r\n"},
        {std::string(16, 'x') + "\nz" + std::string(30, 'y') + "\r\n", std::string(16, 'x') + "\r\nz" + std::string(30, 'y') + "\r\n"},
        {std::string(31, 'x') + "\r", std::string(31, 'x') + "\r\n"},
        // A CR LF, and a CR alone, split between the 256 KiB pieces the file is read in.
        {std::string((256 << 10) - 1, 'x') + "\r\ny\n", std::string((256 << 10) - 1, 'x') + "\r\ny\r\n"},
        {std::string((256 << 10) - 1, 'x') + "\rz", std::string((256 << 10) - 1, 'x') + "\r\nz\r\n"},
    };
    for (const Case& c : cases) {
        const auto file = dir.Write("lines.xml", c.in);
        EXPECT_EQ(ReadSceneText(file).text, c.out) << c.in.size();
        EXPECT_EQ(DecodeSceneText(c.in).text, c.out) << c.in.size();
    }
}

TEST(MeshStash, Utf16ScenesReadLikeTheirUtf8Twins)
{
    TempDir dir;
    const std::string utf8 = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n" + ExporterScene(2, 3) +
                             "<!-- \xC3\xA9t\xC3\xA9 \xE2\x82\xAC -->\r\n";
    std::string le = "\xFF\xFE", be = "\xFE\xFF";
    const WideString wide = Widen(utf8);
    for (char16_t u : wide) {
        le += static_cast<char>(u & 0xFF);
        le += static_cast<char>(u >> 8);
        be += static_cast<char>(u >> 8);
        be += static_cast<char>(u & 0xFF);
    }
    // The UTF-8 twin names UTF-8 in its declaration.
    std::string twin = utf8;
    twin.replace(twin.find("UTF-16"), 6, "UTF-8");
    TMeshStash plain;
    ASSERT_TRUE(plain.StashMeshes(dir.Write("twin.xml", twin), dir / "twin.tmp"));
    TXMLParser p0;
    p0.TrimText = true;
    p0.LoadFromFile(dir / "twin.tmp");
    const std::string expected = Narrow(p0.CreateDocument()->GetXML(7, 7));

    for (const std::string& bytes : {le, be}) {
        TMeshStash stash;
        ASSERT_TRUE(stash.StashMeshes(dir.Write("wide.xml", bytes), dir / "~Fake.tmp"));
        const std::string fake = ReadAll(dir / "~Fake.tmp");
        EXPECT_EQ(fake.substr(0, 3), "\xEF\xBB\xBF");
        ASSERT_EQ(stash.MeshCount(), 2u);
        EXPECT_EQ(stash.Mesh(1), plain.Mesh(1));
        TXMLParser parser;
        parser.TrimText = true;
        parser.LoadFromFile(dir / "~Fake.tmp");
        EXPECT_EQ(Narrow(parser.CreateDocument()->GetXML(7, 7)), expected);
    }
}

TEST(MeshStash, EightBitBytesStayAsTheyAre)
{
    TempDir dir;
    const std::string latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<scene name=\"caf\xE9\">\r\n"
                               "<shader name=\"\xC4\xD6\xDC\xFF\"></shader>\r\n</scene>\r\n";
    TMeshStash stash;
    ASSERT_TRUE(stash.StashMeshes(dir.Write("latin.xml", latin1), dir / "~Fake.tmp"));
    EXPECT_EQ(ReadAll(dir / "~Fake.tmp"), latin1 + "\r\n");
    // A UTF-8 file keeps its byte-order mark for the reader.
    const std::string bom = "\xEF\xBB\xBF<scene>\r\n</scene>\r\n";
    ASSERT_TRUE(stash.StashMeshes(dir.Write("bom.xml", bom), dir / "~Fake.tmp"));
    EXPECT_EQ(ReadAll(dir / "~Fake.tmp"), bom + "\r\n");
}
