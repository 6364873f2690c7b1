#include <gtest/gtest.h>

#include "scene/Errors.h"
#include "scene/WorkingTestHelpers.h"
#include "support/ErrorText.h"

namespace kelvane::test {
namespace {

constexpr std::string_view kLights = R"(<scene>
<light type="pointlight" name="A" power="1"></light>
<light type="pointlight" name="B" power="2"></light>
<light type="pointlight" name="C" power="3"></light>
<camera name="Cam1" resx="1"></camera>
<camera name="Cam2" resx="2"></camera>
<render camera_name="Cam2"><outfile value="x.tga"/></render>
</scene>)";

TEST(WorkingElementBegin, RowKindsChooseTheirCopies)
{
    struct Case {
        const char* presence;  // name=value, or empty
        const char* kind;
        const char* name;
        const char* held;
        const char* marks;
    };
    const Case cases[] = {
        {"", "render", "Cam2", "render[outfile] camera=Cam2", "0,1"},
        {"", "light", "B", "light=B", "1"},
        {"", "light", "Nope", "", ""},
        {"Lamp=110", "light", "Lamp", "light=Lamp.light light=Lamp.diffuse", "0,1"},
        {"Lamp=011", "light", "Lamp", "light=Lamp.diffuse light=Lamp.caustic", "1,2"},
        {"Sky=000", "light", "Sky", "light=Sky", "3"},
        {"Wood=1001000000", "shader", "Wood", "shader=Wood texture=Wood0 texture=Wood3", "0,1,0"},
        {"", "filter", "", "filter=an filter=dof", "1,0"},
    };
    const std::string_view scene = R"(<scene>
<texture name="Wood3" type="clouds"></texture>
<texture name="Wood0" type="clouds"></texture>
<shader name="Wood" type="generic"></shader>
<light type="pointlight" name="Lamp.light"></light>
<light type="photonlight" name="Lamp.diffuse"></light>
<light type="photonlight" name="Lamp.caustic"></light>
<light type="hemilight" name="Sky"></light>
<filter type="dof" name="dof"></filter>
<filter type="antinoise" name="an"></filter>
<camera name="Cam2"></camera>
<render camera_name="Cam2"><outfile value="x.tga"/></render>
</scene>)";
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.kind) + " " + c.name);
        const std::string name = c.name;
        TWorkingFixture f(name == "B" || name == "Cam2" ? kLights : scene);
        std::string presence = c.presence;
        if (!presence.empty()) {
            const size_t eq = presence.find('=');
            f.presence.SetValue(presence.substr(0, eq), presence.substr(eq + 1));
        }
        f.working.BeginEdit(U(c.kind), U(c.name));
        EXPECT_EQ(f.Held(), c.held);
        std::string marks;
        for (int n = 0; n < f.working.ChildCount(); ++n)
            marks += (n ? "," : "") + f.Mark(n);
        EXPECT_EQ(marks, c.marks);
        EXPECT_EQ(Narrow(f.working.Element()->TagName()), c.kind);
    }
}

TEST(WorkingElementCommit, SceneKindAndEmptyWorkingElementChangeNothing)
{
    TWorkingFixture f(kLights);
    const std::string before = f.Scene();
    f.working.BeginEdit(u"scene", u"");
    EXPECT_TRUE(f.working.IsDocument());
    f.working.CommitEdit();
    EXPECT_EQ(f.Scene(), before);
    f.working.BeginEdit(u"light", u"Missing");
    f.working.CommitEdit();
    EXPECT_EQ(f.Scene(), before);
}

TEST(WorkingElementCommit, NewCopiesGoBeforeTheFirstOfTheirKindOrBeforeRenderOrLast)
{
    TWorkingFixture f(kLights);
    f.working.BeginEdit(u"light", u"B");
    TDomElement* light = f.document->CreateElement(u"light");
    light->SetAttribute(u"name", u"N");
    f.working.AppendNew(light);
    TDomElement* background = f.document->CreateElement(u"background");
    background->SetAttribute(u"name", u"Sky");
    f.working.AppendNew(background);
    f.working.CommitEdit();
    EXPECT_EQ(f.Top(), "light=N light=A light=B light=C camera=Cam1 camera=Cam2 background=Sky render[outfile]");

    TWorkingFixture bare("<scene><shader name=\"S\"></shader></scene>");
    bare.working.BeginEdit(u"shader", u"S");
    bare.working.AppendNew(bare.document->CreateElement(u"light"));
    bare.working.CommitEdit();
    EXPECT_EQ(bare.Top(), "shader=S light");
}

TEST(WorkingElementCommit, DeletedPartAheadOfAnotherPartLeavesItsIndexBehind)
{
    std::string scene = R"(<scene>
<light name="L.light" power="1"></light>
<light name="L.diffuse" power="2"></light>
<light name="L.caustic" power="3"></light>
<render></render></scene>)";
    TWorkingFixture parts(scene);
    parts.presence.SetValue("L", "111");
    parts.working.BeginEdit(u"light", u"L");
    parts.working.SetMark(0, u"deleted");  // a removed part ahead of the others
    parts.working.Element()->LastChild()->AsElement()->SetAttribute(u"power", u"30");
    parts.working.CommitEdit();
    EXPECT_EQ(parts.Top(), "light=L.diffuse light=L.caustic render");
    EXPECT_EQ(parts.working.Index().Item(u"light", 1)->GetAttribute(u"power"), u"30");
    EXPECT_EQ(parts.working.Index().Item(u"light", 0)->GetAttribute(u"power"), u"2");
}

TEST(WorkingElementCommit, NewLightAheadOfACopyStillReplacesTheCopysSource)
{
    TWorkingFixture f(kLights);
    f.working.BeginEdit(u"light", u"N");  // nothing held
    TDomElement* added = f.document->CreateElement(u"light");
    added->SetAttribute(u"name", u"N");
    f.working.AppendNew(added);
    f.working.AddCopy(u"light", u"B");  // marked "1"
    ASSERT_EQ(f.Mark(1), "1");
    f.working.Element()->LastChild()->AsElement()->SetAttribute(u"power", u"7");
    f.working.CommitEdit();
    EXPECT_EQ(f.Top(), "light=N light=A light=B light=C camera=Cam1 camera=Cam2 render[outfile]");
    EXPECT_EQ(f.working.Index().Item(u"light", 2)->GetAttribute(u"power"), u"7");
    EXPECT_EQ(f.working.Index().Item(u"light", 1)->GetAttribute(u"power"), u"1");
    EXPECT_EQ(f.working.Index().Item(u"light", 3)->GetAttribute(u"power"), u"3");
}

TEST(WorkingElementCommit, DeletedObjectTakesItsEmptiedPlaceholderAlong)
{
    TWorkingFixture f(R"(<scene>
<fake_transform trns="0"></fake_transform>
<fake_transform trns="1"><object name="Cube"><attributes></attributes></object></fake_transform>
<fake_transform trns="2"><object name="Ball"></object><object name="Ring"></object></fake_transform>
<render></render></scene>)");
    f.working.BeginEdit(u"object", u"Cube");
    f.working.MarkDeleted(u"name", u"Cube");
    f.working.CommitEdit();
    // The empty placeholder 0 was not the one holding the object: it stays.
    EXPECT_EQ(f.Top(), "fake_transform fake_transform[object=Ball object=Ring] render");
    f.working.BeginEdit(u"object", u"Ball");
    f.working.MarkDeleted(u"name", u"Ball");
    f.working.CommitEdit();
    EXPECT_EQ(f.Top(), "fake_transform fake_transform[object=Ring] render");
}

TEST(WorkingElementCommit, MarkErrors)
{
    struct Case {
        const char* mark;
        const char* message;
    };
    const Case cases[] = {
        {"x", "'x' is not a valid integer value"},
        {"5", "List index out of bounds (5)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mark);
        TWorkingFixture f(kLights);
        f.working.BeginEdit(u"camera", u"Cam1");
        f.working.SetMark(0, u"deleted");
        // A second child that did not come from the document (no recorded source).
        TDomElement* stray = f.document->CreateElement(u"light");
        f.working.Node()->AppendChild(stray);
        f.working.SetMark(1, U(c.mark));
        EXPECT_EQ(ErrorText([&] { f.working.CommitEdit(); }), c.message);
        // The step before the error stays done.
        EXPECT_EQ(f.Top(), "light=A light=B light=C camera=Cam2 render[outfile]");
    }
}

TEST(WorkingElementCommit, SecondCommitLeavesTheDocumentAsTheFirst)
{
    TWorkingFixture f(kLights);
    f.working.BeginEdit(u"light", u"A");
    TDomElement* added = f.document->CreateElement(u"light");
    added->SetAttribute(u"name", u"N");
    f.working.AppendNew(added);
    f.working.CommitEdit();
    const std::string once = f.Scene();
    f.working.Element()->FirstChild()->AsElement()->SetAttribute(u"power", u"5");
    f.working.CommitEdit();
    EXPECT_EQ(f.Top(), "light=N light=A light=B light=C camera=Cam1 camera=Cam2 render[outfile]");
    EXPECT_EQ(f.working.Index().Item(u"light", 1)->GetAttribute(u"power"), u"5");
    f.working.SetMark(0, u"deleted");
    f.working.CommitEdit();
    f.working.CommitEdit();
    EXPECT_EQ(f.Top(), "light=N light=B light=C camera=Cam1 camera=Cam2 render[outfile]");
}

TEST(WorkingElementCommit, IndexFollowsTheTreeThroughManyEdits)
{
    // Interleaved inserts, removals and replacements, checked against a fresh walk each time.
    TWorkingFixture f(kLights);
    for (int round = 0; round < 20; ++round) {
        const WideString name = U("L" + std::to_string(round));
        f.working.BeginEdit(u"light", round % 3 == 0 ? u"A" : u"C");
        TDomElement* added = f.document->CreateElement(u"light");
        added->SetAttribute(u"name", name);
        f.working.AppendNew(added);
        if (round % 4 == 1)
            f.working.SetMark(0, u"deleted");
        f.working.CommitEdit();
        TElementIndex fresh;
        fresh.Reset(f.document.get());
        ASSERT_EQ(fresh.Count(u"light"), f.working.Index().Count(u"light"));
        for (int i = 0; i < fresh.Count(u"light"); ++i)
            ASSERT_EQ(fresh.Item(u"light", i), f.working.Index().Item(u"light", i)) << round << " " << i;
        EXPECT_EQ(fresh.FirstNamed(u"light", name), f.working.Index().FirstNamed(u"light", name));
    }
}

} // namespace
} // namespace kelvane::test
