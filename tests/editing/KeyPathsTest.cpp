#include <gtest/gtest.h>

#include "editing/KeyPaths.h"
#include "scene/Errors.h"
#include "scene/WorkingTestHelpers.h"

namespace kelvane::test {
namespace {

constexpr std::string_view kScene = R"(<scene>
<shader name="Wood" type="generic">
<attributes><color r="0.5" g="0" b="1"/><specular r="1.5" g="0.501960" b="2.5"/></attributes>
<hard value="10"/>
<modulator texname="Wood0" mode="mix"><color value="1"/></modulator>
<modulator texname="Wood1" mode="add"></modulator>
</shader>
<shader name="Plain" type="generic"></shader>
<light type="pointlight" name="Lamp" power="2"><from x="1" y="2" z="3"/></light>
<light type="pointlight" name="Twin" power=""></light>
<light type="spotlight" name="Twin" power="5" size="45"></light>
<render camera_name="Cam"></render>
<camera name="Cam"></camera>
</scene>)";

struct TKeyPathFixture : TWorkingFixture {
    TKeyPathFixture() : TWorkingFixture(kScene) {}
    // Holds copies of the named elements of one tag.
    void Hold(const char* kind, std::initializer_list<const char*> names)
    {
        working.BeginEdit(U(kind), u"__none__");
        for (const char* name : names)
            working.AddCopy(U(kind), U(name));
    }
    std::string Get(const char* path, const char* name) { return GetValue(working, path, name); }
    void Set(const char* path, const char* name, const char* value, TKeyKind kind = TKeyKind::Plain)
    {
        SetValue(working, path, name, value, kind);
    }
    void Delete(const char* path, const char* name) { DeleteValue(working, path, name); }
    std::string HeldText() { return Flat(working.Node()); }
};

TEST(KeyPathsSplit, Segments)
{
    struct Case {
        const char* path;
        const char* first;
        const char* second;
        const char* third;
    };
    const Case cases[] = {
        {"shader.color.", "shader", "color", ""}, {"a.b", "a", "", "b"},
        {"a", "", "", "a"},                        {"a.b.c.d", "a", "b", "c.d"},
    };
    for (const Case& c : cases) {
        const TKeyPath k = SplitKeyPath(c.path);
        EXPECT_EQ(k.first, c.first) << c.path;
        EXPECT_EQ(k.second, c.second) << c.path;
        EXPECT_EQ(k.third, c.third) << c.path;
    }
}

TEST(KeyPathsColour, StoredAndShownForms)
{
    struct Read {
        const char* stored;
        const char* shown;
    };
    for (const Read& r : {Read{"0.501960", "128"}, Read{"1.5", "382"} /* 382.5: tie to even */,
                          Read{"2.5", "638"}, Read{"-0.001", "0"}})
        EXPECT_EQ(StoredToColourComponent(r.stored), r.shown) << r.stored;
    struct Write {
        const char* shown;
        const char* stored;
    };
    for (const Write& w : {Write{"128", "0.501960"}, Write{"255", "1"}, Write{"0.001", "0.000003"},
                           Write{"300000", "1176.470"}, Write{"1e10", "39215686"}})
        EXPECT_EQ(ColourComponentToStored(w.shown), w.stored) << w.shown;
    EXPECT_THROW(ColourComponentToStored("red"), EConvertError);
    EXPECT_THROW(StoredToColourComponent("x"), EConvertError);
}

TEST(KeyPathsGet, Values)
{
    TKeyPathFixture f;
    EXPECT_EQ(f.Get("light.light.type", "Lamp"), "");  // nothing held yet
    f.working.BeginEdit(u"render", u"Cam");
    EXPECT_EQ(f.Get("render.render.camera_name", "whatever"), "Cam");  // the render has no name
    EXPECT_EQ(f.Get("camera.camera.name", "Cam"), "Cam");
    f.Hold("light", {"Lamp"});
    EXPECT_EQ(f.Get("light.light.type", "Lamp.light"), "");
    f.Hold("shader", {"Wood"});
    struct Case {
        const char* path;
        const char* name;
        const char* value;
    };
    const Case cases[] = {
        {"shader.specular.g", "Wood", "128"},  {"shader.shader.type", "Wood", "generic"},
        {"shader.hard.value", "Other", ""},
        {"shader.missing.value", "Wood", ""},  {"modulator.modulator.mode", "Wood1", "add"},
        {"modulator.color.value", "Wood0", "1"}, {"modulator.modulator.mode", "Wood7", ""},
        {"light.light.type", "Wood", "generic"}, // the first segment is not compared with the tag
    };
    for (const Case& c : cases)
        EXPECT_EQ(f.Get(c.path, c.name), c.value) << c.path << " " << c.name;
    // The modulator view was closed again: the shader is held as before.
    EXPECT_EQ(f.Held(), "shader=Wood[attributes[color specular] hard modulator[color] modulator]");
}

TEST(KeyPathsGet, SameNamesFallThroughWritesAndDeletesHitTheFirst)
{
    TKeyPathFixture f;
    // AddCopy takes the first Twin only: hold both by hand.
    f.working.BeginEdit(u"light", u"__none__");
    f.working.Node()->AppendChild(f.working.Index().Item(u"light", 1)->CloneNode(true));
    f.working.Node()->AppendChild(f.working.Index().Item(u"light", 2)->CloneNode(true));
    EXPECT_EQ(f.Get("light.light.power", "Twin"), "5");
    EXPECT_EQ(f.Get("light.light.type", "Twin"), "pointlight");
    f.Set("light.light.size", "Twin", "30");
    EXPECT_EQ(f.working.Element()->FirstChild()->AsElement()->GetAttribute(u"size"), u"30");
    EXPECT_EQ(f.working.Element()->LastChild()->AsElement()->GetAttribute(u"size"), u"45");
    f.Delete("light.light.type", "Twin");
    EXPECT_EQ(f.Get("light.light.type", "Twin"), "spotlight");
    f.Delete("scene.light.", "Twin");
    EXPECT_EQ(f.Mark(0), "deleted");
    EXPECT_EQ(f.Mark(1), "deleted");
}

TEST(KeyPathsSet, CreatesWhatIsMissingButNeverTheAddressedElement)
{
    TKeyPathFixture f;
    f.Hold("shader", {"Plain", "Wood"});
    f.Set("shader.color.g", "Plain", "255", TKeyKind::Attributes);
    f.Set("shader.shader.type", "Plain", "constant");
    f.Set("shader.hard.value", "Wood", "20");
    f.Set("shader.IOR.value", "Wood", "1.5");
    f.Set("shader.color.r", "Wood", "0", TKeyKind::Attributes);
    f.Set("shader.hard.value", "Nobody", "1");
    f.Set("shader.hard.value", "Wood", "");
    f.Set("shader.emit.value", "Wood", "");
    const TDomElement* plain = f.working.Element()->FirstChild()->AsElement();
    EXPECT_EQ(Flat(plain), R"(<shader name="Plain" type="constant"><attributes><color g="1"/></attributes></shader>)");
    EXPECT_EQ(f.Get("shader.hard.value", "Wood"), "20");
    EXPECT_EQ(f.Get("shader.IOR.value", "Wood"), "1.5");
    EXPECT_EQ(f.Get("shader.color.r", "Wood"), "0");
    EXPECT_EQ(f.Held(), "shader=Plain[attributes[color]] shader=Wood[attributes[color specular] hard modulator[color] modulator IOR]");
    EXPECT_THROW(f.Set("shader.color.g", "Wood", "green", TKeyKind::Attributes), EConvertError);
}

TEST(KeyPathsSet, NewElementsAreMarkedAndWritten)
{
    TKeyPathFixture f;
    f.Hold("shader", {"Wood"});
    f.Set("new.shader.r", "Fresh", "255", TKeyKind::Attributes);
    EXPECT_EQ(f.Mark(1), "new");
    // Written on the new element itself, converted once.
    EXPECT_EQ(Flat(f.working.Element()->LastChild()), R"(<shader name="Fresh" r="1"/>)");
    f.Set("new.modulator.mode", "Wood2", "add", TKeyKind::Modulator);
    f.Set("modulator.modulator.mode", "Wood2", "sub", TKeyKind::Modulator);
    EXPECT_EQ(f.Get("modulator.modulator.mode", "Wood2"), "sub");
    EXPECT_EQ(f.Held(), "shader=Wood[attributes[color specular] hard modulator[color] modulator modulator] shader=Fresh");
    EXPECT_EQ(f.Mark(2), "");
}

TEST(KeyPathsDelete, ValuesAndElements)
{
    TKeyPathFixture f;
    f.Hold("shader", {"Wood"});
    f.Delete("shader.hard.value", "Wood");   // its only attribute: the element goes
    f.Delete("shader.specular.g", "Wood");   // one of three: the attribute goes
    f.Delete("shader.color.", "Wood");       // empty third: the element goes
    f.Delete("shader.nothing.value", "Wood");
    f.Delete("modulator.modulator.mode", "Wood0");
    f.Delete("modulator.color.", "Wood0");
    EXPECT_EQ(f.HeldText(), "<shader Child0=\"0\"><shader name=\"Wood\" type=\"generic\"><attributes><specular r=\"1.5\" b=\"2.5\"/>"
                          "</attributes><modulator texname=\"Wood0\"/><modulator texname=\"Wood1\" mode=\"add\"/>"
                          "</shader></shader>");
    // The held element itself, when the path names it and third is empty.
    f.Delete("shader.shader.", "Wood");
    EXPECT_EQ(f.working.ChildCount(), 0);
}

TEST(KeyPathsCopy, LightCopiesKeepOnlyPowerAndChildren)
{
    TKeyPathFixture f;
    f.Hold("light", {"Lamp"});
    CopyElementAs(f.working, "light.whatever", "Lamp", "Lamp.diffuse");
    EXPECT_EQ(Flat(f.working.Element()->LastChild()), R"(<light power="2" name="Lamp.diffuse"><from x="1" y="2" z="3"/></light>)");
    EXPECT_EQ(f.Mark(1), "new");
    CopyElementAs(f.working, "render", "Lamp", "X");
    CopyElementAs(f.working, "object", "Lamp", "Lamp2");
    EXPECT_EQ(Flat(f.working.Element()->LastChild()),
              R"(<light type="pointlight" name="Lamp2" power="2"><from x="1" y="2" z="3"/></light>)");
    EXPECT_EQ(f.working.ChildCount(), 3);
}

TEST(KeyPathsRevive, DeletedThenRevivedLeavesOneElementWithTheEditorsValues)
{
    // The light editor: the same held element marked "new" again.
    TKeyPathFixture light;
    light.Hold("light", {"Lamp"});
    light.Delete("scene.light.", "Lamp");
    light.working.SetMark(0, u"new");
    light.Set("light.light.power", "Lamp", "7");
    light.working.CommitEdit();
    EXPECT_EQ(light.working.Index().AllNamed(u"light", u"Lamp").size(), 1u);
    EXPECT_EQ(light.working.Index().Item(u"light", 0)->GetAttribute(u"power"), u"7");

    // The filter editor: a second element of the same name beside the deleted one.
    TWorkingFixture filter(R"(<scene><filter name="an" type="antinoise" radius="1"></filter><render></render></scene>)");
    filter.working.BeginEdit(u"filter", u"");
    DeleteValue(filter.working, "scene.filter.", "an");
    SetValue(filter.working, "new.filter.type", "an", "antinoise", TKeyKind::Plain);
    SetValue(filter.working, "filter.filter.radius", "an", "3", TKeyKind::Plain);
    EXPECT_EQ(GetValue(filter.working, "filter.filter.radius", "an"), "3");
    filter.working.CommitEdit();
    EXPECT_EQ(filter.working.Index().AllNamed(u"filter", u"an").size(), 1u);
    // Writes went to the first held "an", the deleted copy: it comes back with them, in its place.
    EXPECT_EQ(filter.Top(), "filter=an render");
    EXPECT_EQ(filter.working.Index().Item(u"filter", 0)->GetAttribute(u"radius"), u"3");
    filter.working.CommitEdit();
    EXPECT_EQ(filter.Top(), "filter=an render");
    EXPECT_EQ(filter.working.Index().Item(u"filter", 0)->GetAttribute(u"radius"), u"3");
}

TEST(KeyPathsView, NestedViewsRegroupOnce)
{
    TKeyPathFixture f;
    f.Hold("shader", {"Wood"});
    BeginModulatorView(f.working);
    BeginModulatorView(f.working);
    EXPECT_EQ(f.Held(), "modulator[color] modulator");
    f.Set("modulator.modulator.size", "Wood1", "2", TKeyKind::Modulator);
    EndModulatorView(f.working);
    EXPECT_EQ(f.Held(), "modulator[color] modulator");
    EndModulatorView(f.working);
    EndModulatorView(f.working);  // one too many: nothing
    EXPECT_EQ(f.Held(), "shader=Wood[attributes[color specular] hard modulator[color] modulator]");
    EXPECT_EQ(f.Get("modulator.modulator.size", "Wood1"), "2");
}

TEST(KeyPathsRows, KindAndName)
{
    EXPECT_EQ(RowName("filter -- "), "");
    EXPECT_EQ(RowName("object -- a -- b"), "a -- b");
    EXPECT_EQ(RowKind("odd"), "odd");
    EXPECT_EQ(RowName("odd"), "");
}

} // namespace
} // namespace kelvane::test
