#include <gtest/gtest.h>

#include "scene/Catalogue.h"
#include "scene/FileIO.h"
#include "scene/WorkingTestHelpers.h"
#include "support/TempDir.h"

namespace kelvane::test {
namespace {

struct TCatalogueFixture {
    explicit TCatalogueFixture(std::string_view sceneText) : document(ParseSceneText(sceneText)), working(catalogue.presence)
    {
        working.SetDocument(document.get());
    }
    void Build() { BuildCatalogue(working, catalogue, dir.Path(), store); }
    std::string Rows() const
    {
        std::string out;
        for (const TElementRow& row : catalogue.rows)
            out += (row.CheckEnabled ? (row.Checked ? "[x] " : "[ ] ") : "[-] ") + row.Text + "|";
        return out;
    }
    std::string Presence(const char* name) const { return catalogue.presence.Values(name); }
    std::string Names(const char* tag)
    {
        std::string out;
        for (int i = 0; i < working.Index().Count(U(tag)); ++i) {
            WideString name;
            ElementName(working.Index().Item(U(tag), i), name);
            out += (i ? "," : "") + Narrow(name);
        }
        return out;
    }

    TempDir dir;
    TJpegFileStore store;
    std::unique_ptr<TDomDocument> document;
    TCatalogue catalogue;
    TWorkingElement working;
};

TEST(CatalogueLights, NamesRowsAndPresence)
{
    struct Case {
        const char* lights;  // light elements
        const char* names;   // names afterwards, in document order
        const char* rows;
        const char* presence;  // name=value of the first base
    };
    const Case cases[] = {
        {R"(<light type="pointlight" name="Lamp"></light>)", "Lamp.light", "[x] light -- Lamp|", "Lamp=100"},
        {R"(<light type="pointlight" name="Lamp.light"></light><light type="photonlight" name="Lamp.diffuse"></light>)",
         "Lamp.light,Lamp.diffuse", "[x] light -- Lamp|", "Lamp=110"},
        {R"(<light type="pointlight" name="Lamp"></light><light type="softlight" name="Lamp"></light>)",
         "Lamp.light,Lamp", "[x] light -- Lamp|", "Lamp=100"},
        {R"(<light type="spotlight" name="a.b.c"></light>)", "a_b_c.light", "[x] light -- a_b_c|", "a_b_c=100"},
        {R"(<light type="sunlight" name="Sun"></light>)", "Sun", "[x] light -- Sun|", "Sun=000"},
        {R"(<light type="hemilight" name="Sky.caustic"></light>)", "Sky_caustic", "[x] light -- Sky_caustic|",
         "Sky_caustic=000"},
        {R"(<light type="photonlight" name="P" mode="caustic"></light>)", "P.caustic", "[x] light -- P|", "P=001"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lights);
        TCatalogueFixture f(std::string("<scene>") + c.lights + "<render></render></scene>");
        f.Build();
        EXPECT_EQ(f.Names("light"), c.names);
        EXPECT_EQ(f.Rows(), std::string(c.rows) + "[-] render -- |");
        const std::string presence = c.presence;
        const size_t eq = presence.find('=');
        EXPECT_EQ(f.Presence(presence.substr(0, eq).c_str()), presence.substr(eq + 1));
    }
}

TEST(CatalogueScene, RowsThumbnailsListsAndFilters)
{
    TCatalogueFixture f(R"(<scene>
<shader name="zeta" type="generic"></shader>
<shader name="Alpha" type="generic"></shader>
<object name="b"></object><object name="A"></object>
<camera name="Cam"></camera><camera name="Side"></camera>
<background name="Sky" type="constant"></background>
<filter name="f1" type="antinoise"></filter>
<filter name="f2" type="dof"></filter>
<light type="pointlight" name="Lamp"></light>
<render camera_name="Cam"></render>
</scene>)");
    f.Build();
    EXPECT_EQ(f.Rows(), "[x] background -- Sky|[x] filter -- |[x] light -- Lamp|[x] object -- A|[x] object -- b|"
                        "[-] render -- Cam|[x] shader -- Alpha|[x] shader -- zeta|");
    EXPECT_EQ(f.Names("filter"), "an,dof");
    EXPECT_EQ(f.Presence("an"), "1");
    EXPECT_EQ(f.Presence("dof"), "1");
    std::string index;
    for (int i = 0; i < f.catalogue.thumbnails.Count(); ++i)
        index += f.catalogue.thumbnails.Line(i) + " ";
    EXPECT_EQ(index, "shader_num=2 shader0=zeta shader1=Alpha object_num=2 object0=b object1=A light_num=1 "
                     "light0=Lamp camera_num=2 camera0=Cam camera1=Side render_num=1 render0= background_num=1 "
                     "background0=Sky filter_num=2 filter0= filter1= ");
    EXPECT_EQ(f.catalogue.cameras, (std::vector<std::string>{"Cam", "Side"}));
    EXPECT_EQ(f.catalogue.backgrounds, (std::vector<std::string>{"Sky"}));
    EXPECT_EQ(f.catalogue.shaders, (std::vector<std::string>{"zeta", "Alpha"}));
    EXPECT_TRUE(f.working.IsDocument());
}

TEST(CatalogueTextures, SlotCopiesAndUnusedTextures)
{
    TCatalogueFixture f(R"(<scene>
<texture name="grain" type="clouds"><depth value="2"/></texture>
<texture name="tex3" type="clouds"></texture>
<texture name="spare" type="clouds"></texture>
<shader name="Wood" type="generic"><attributes></attributes>
<modulator texname="grain" mode="mix"></modulator><modulator texname="grain" mode="add"></modulator></shader>
<render></render>
</scene>)");
    f.Build();
    EXPECT_EQ(f.Names("texture"), "tex3,Wood0,Wood1");
    EXPECT_EQ(f.Presence("Wood"), "1100000000");
    EXPECT_EQ(Flat(f.working.Index().Item(u"texture", 1)), R"(<texture name="Wood0" type="clouds"><depth value="2"/></texture>)");
    const TDomElement* shader = f.working.Index().Item(u"shader", 0);
    EXPECT_EQ(Flat(shader), R"(<shader name="Wood" type="generic"><attributes>)"
                            "\r\n"
                            R"(</attributes><modulator texname="Wood0" mode="mix"/><modulator texname="Wood1" mode="add"/></shader>)");
}

TEST(CatalogueTextures, JpegPicturesLandInTheSceneFolderUnderTheSlotName)
{
    const std::string jpeg = std::string("\xFF\xD8\xFF\xE0", 4) + "picture";
    struct Case {
        const char* shader;
        const char* texname;
        const char* textureName;
        const char* expectValue;  // filename value afterwards
        const char* written;      // file expected in the folder, or ""
        size_t files = 0;         // files made in the folder
    };
    const Case cases[] = {
        {"Wood", "photo", "photo", "Wood0.jpg", "Wood0.jpg", 1},
        {"Wood", "Wood0", "Wood0", "Wood0.jpg", "Wood0.jpg", 1},  // a copy held by the shader row
        {"../up", "photo", "photo", "photo.jpg", "", 0},
        {"a/b", "photo", "photo", "photo.jpg", "", 0},
        {"Png", "photo", "photo", "photo.jpg", "", 0},  // not JPEG data: the core store leaves it
        // A file of the user's (or a folder) under the slot's name stays: the next free name is
        // taken; the same picture there is used as it is.
        {"Mine", "photo", "photo", "Mine0-1.jpg", "Mine0-1.jpg", 1},
        {"Blocked", "photo", "photo", "Blocked0-1.jpg", "Blocked0-1.jpg", 1},
        {"Same", "photo", "photo", "Same0.jpg", "Same0.jpg", 0},
        // A comment before the file name's element is no part of the scene.
        {"Noted", "photo", "photo", "Noted0.jpg", "Noted0.jpg", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shader + std::string(" ") + c.texname);
        const std::string note = std::string(c.shader) == "Noted" ? "<!--fake_comment 0-->" : "";
        TCatalogueFixture f(std::string("<scene><texture name=\"") + c.textureName + "\" type=\"jpeg\">" + note +
                            "<filename value=\"photo.jpg\"/></texture><shader name=\"" + c.shader +
                            "\"><modulator texname=\"" + c.texname + "\"></modulator></shader><render></render></scene>");
        fs::create_directories(f.dir / "sub");
        fs::create_directories(f.dir / "Blocked0.jpg");
        f.dir.Write("Mine0.jpg", "mine");
        f.dir.Write("Same0.jpg", jpeg);
        f.dir.Write("photo.jpg", std::string(c.shader) == "Png" ? std::string("\x89PNG\r\n", 6) : jpeg);
        f.Build();
        int i = f.working.Index().FirstNamed(u"texture", Widen(std::string(c.shader) + "0"));
        ASSERT_GE(i, 0);
        const TDomElement* file = f.working.Index().Item(u"texture", i)->GetElementsByTagName(u"filename")->Item(0)->AsElement();
        EXPECT_EQ(Narrow(file->GetAttribute(u"value")), c.expectValue);
        if (*c.written) {
            EXPECT_EQ(ReadAll(f.dir / c.written), jpeg);
        }
        EXPECT_EQ(ReadAll(f.dir / "Mine0.jpg"), "mine");
        size_t files = 0;
        for (const auto& entry : fs::recursive_directory_iterator(f.dir.Path())) {
            const std::string name = entry.path().filename().string();
            files += entry.is_regular_file() && name != "photo.jpg" && name != "Mine0.jpg" && name != "Same0.jpg";
        }
        EXPECT_EQ(files, c.files);
        EXPECT_FALSE(FileExists(f.dir.Path().parent_path() / "up0.jpg"));
    }
}

TEST(CatalogueRows, UnicodeNamesSortInTheOrderOfTheDocumentsWideNames)
{
    // Case folded for ASCII and Latin-1; beyond that by UTF-16 units, so a four-byte character
    // (a surrogate pair) and a stray byte come before a private-use character, unlike byte order.
    const std::vector<std::string> sorted = {"shader -- a",        "shader -- A2",          "shader -- \xC3\x84",
                                             "shader -- \xC3\xA4x", "shader -- \xF0\x9F\x98\x80",
                                             "shader -- \xFF",      "shader -- \xEF\xA3\xBF"};
    for (size_t i = 0; i < sorted.size(); ++i)
        for (size_t j = 0; j < sorted.size(); ++j)
            EXPECT_EQ(RowTextLess(sorted[i], sorted[j]), i < j) << i << " " << j;
}

} // namespace
} // namespace kelvane::test
