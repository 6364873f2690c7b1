#include <gtest/gtest.h>

#include <functional>

#include "DomParserHelpers.h"

using namespace kelvane;
using kelvane::test::DomCode;
using kelvane::test::ParseText;
using kelvane::test::Xml;

namespace {

std::vector<WideString> Names(const TDomNodeList* list)
{
    std::vector<WideString> out;
    for (int i = 0; i < list->Length(); ++i) {
        const TDomNode* n = list->Item(i);
        const TDomElement* e = n->AsElement();
        out.push_back(e && e->GetAttributes()->GetNamedItem(u"name") ? e->GetAttribute(u"name") : n->NodeName());
    }
    return out;
}

std::vector<WideString> AttributeNames(const TDomElement* e)
{
    std::vector<WideString> out;
    for (int i = 0; i < e->GetAttributes()->Length(); ++i)
        out.push_back(e->GetAttributes()->Item(i)->Name());
    return out;
}

} // namespace

TEST(DomTree, FactoriesCheckNamesAndData)
{
    TDomDocument doc;
    struct {
        std::function<void()> make;
        int code;
    } cases[] = {
        {[&] { doc.CreateElement(u"shader"); }, 0},
        {[&] { doc.CreateElement(u"_a:b-c.d9"); }, 0},
        {[&] { doc.CreateElement(u"\u00E9t\u00E9\u0E01\u0E31"); }, 0},  // letters and a combining mark
        {[&] { doc.CreateElement(u"\u4E00\u3005"); }, 0},                // ideographic and an extender
        {[&] { doc.CreateElement(u""); }, 5},
        {[&] { doc.CreateElement(u"9a"); }, 5},
        {[&] { doc.CreateElement(u"a b"); }, 5},
        {[&] { doc.CreateElement(u"a\u00D7"); }, 5},  // multiplication sign is no letter
        {[&] { doc.CreateElement(u"\u0E31a"); }, 5},  // combining mark cannot start a name
        {[&] { doc.CreateAttribute(u"x:y"); }, 0},
        {[&] { doc.CreateAttribute(u"a=b"); }, 5},
        {[&] { doc.CreateTextNode(u"plain > text"); }, 0},
        {[&] { doc.CreateTextNode(u"a<b"); }, 5},
        {[&] { doc.CreateTextNode(u"a]]>b"); }, 5},
        {[&] { doc.CreateComment(u"a - b"); }, 0},
        {[&] { doc.CreateComment(u"a--b"); }, 5},
        {[&] { doc.CreateCDATASection(u"<&>]]"); }, 0},
        {[&] { doc.CreateCDATASection(u"a]]>"); }, 5},
        {[&] { doc.CreateEntityReference(u"amp"); }, 0},
        {[&] { doc.CreateEntityReference(u"#x1F"); }, 0},
        {[&] { doc.CreateEntityReference(u"#x"); }, 5},
        {[&] { doc.CreateEntityReference(u"#12a"); }, 5},
        {[&] { doc.CreateEntityReference(u"a;"); }, 5},
    };
    int i = 0;
    for (const auto& c : cases)
        EXPECT_EQ(DomCode(c.make), c.code) << "case " << i++;
}

TEST(DomTree, KindRulesForChildren)
{
    TDomDocument doc;
    TDomElement* root = doc.CreateElement(u"scene");
    doc.AppendChild(root);
    TDomAttr* attr = doc.CreateAttribute(u"a");
    auto element = [&] { return doc.CreateElement(u"x"); };
    auto text = [&] { return doc.CreateTextNode(u"t"); };
    auto cdata = [&] { return doc.CreateCDATASection(u"c"); };
    auto ref = [&] { return doc.CreateEntityReference(u"amp"); };
    auto comment = [&] { return doc.CreateComment(u"c"); };
    auto attribute = [&] { return doc.CreateAttribute(u"b"); };
    auto doctype = [&] { return doc.CreateDocumentType(u"scene"); };
    TDomNode* leafText = text();
    TDomNode* leafRef = ref();
    struct {
        TDomNode* parent;
        std::function<TDomNode*()> child;
        int code;
    } cases[] = {
        {&doc, element, 3},  // a second top-level element
        {&doc, text, 3},
        {&doc, comment, 0},
        {&doc, doctype, 0},
        {&doc, doctype, 3},  // a second document type
        {&doc, attribute, 3},
        {root, cdata, 0},
        {root, ref, 0},
        {root, attribute, 3},
        {root, doctype, 3},
        {attr, text, 0},
        {attr, ref, 0},
        {attr, element, 3},
        {attr, comment, 3},
        {leafText, text, 3},
        {leafRef, text, 3},
    };
    int i = 0;
    for (const auto& c : cases)
        EXPECT_EQ(DomCode([&] { c.parent->AppendChild(c.child()); }), c.code) << "case " << i++;
    EXPECT_EQ(DomCode([&] { root->AppendChild(&doc); }), 3);
}

TEST(DomTree, TopLevelElementMayMoveAndBeReplaced)
{
    auto doc = ParseText("<scene/>");
    doc->InsertBefore(doc->CreateComment(u"c"), doc->DocumentElement());
    doc->AppendChild(doc->DocumentElement());
    EXPECT_EQ(doc->FirstChild()->NodeType(), COMMENT_NODE);
    TDomElement* old = doc->DocumentElement();
    TDomElement* fresh = doc->CreateElement(u"fresh");
    EXPECT_EQ(doc->ReplaceChild(fresh, old), old);
    EXPECT_EQ(doc->DocumentElement(), fresh);
    EXPECT_EQ(old->GetParentNode(), nullptr);
}

TEST(DomTree, RefusedInsertionsLeaveTheTreeAsItWas)
{
    auto doc = ParseText("<s><a><b/></a><c/></s>");
    TDomDocument other;
    TDomElement* s = doc->DocumentElement();
    TDomNode* a = s->FirstChild();
    TDomNode* b = a->FirstChild();
    TDomNode* c = s->LastChild();
    EXPECT_EQ(DomCode([&] { s->AppendChild(other.CreateElement(u"x")); }), 4);
    EXPECT_EQ(DomCode([&] { other.AppendChild(doc->CreateElement(u"x")); }), 4);
    EXPECT_EQ(DomCode([&] { b->AppendChild(a); }), 3);
    EXPECT_EQ(DomCode([&] { b->AppendChild(s); }), 3);
    EXPECT_EQ(DomCode([&] { a->AppendChild(a); }), 3);
    EXPECT_EQ(DomCode([&] { a->InsertBefore(doc->CreateElement(u"x"), c); }), 8);
    EXPECT_EQ(DomCode([&] { a->RemoveChild(c); }), 8);
    EXPECT_EQ(DomCode([&] { a->RemoveChild(nullptr); }), 8);
    EXPECT_EQ(DomCode([&] { s->ReplaceChild(doc->CreateElement(u"x"), b); }), 8);
    EXPECT_EQ(DomCode([&] { s->AppendChild(nullptr); }), 8);
    EXPECT_EQ(Xml(s), "<s><a><b>\r\n</b></a><c>\r\n</c></s>");
}

TEST(DomTree, ReadOnlyNodesRefuseChanges)
{
    auto doc = ParseText("<s a=\"1\"><t>x</t></s>");
    TDomElement* s = doc->DocumentElement();
    TDomNode* t = s->FirstChild();
    TDomNode* text = t->FirstChild();
    s->SetReadOnly(true);
    text->SetReadOnly(true);
    EXPECT_EQ(DomCode([&] { s->AppendChild(doc->CreateElement(u"x")); }), 7);
    EXPECT_EQ(DomCode([&] { s->RemoveChild(t); }), 7);
    EXPECT_EQ(DomCode([&] { s->SetAttribute(u"a", u"2"); }), 7);
    EXPECT_EQ(DomCode([&] { s->SetAttributeNode(doc->CreateAttribute(u"b")); }), 7);
    EXPECT_EQ(DomCode([&] { s->RemoveAttributeNode(s->GetAttributes()->Item(0)); }), 7);
    EXPECT_EQ(DomCode([&] { text->SetNodeValue(u"y"); }), 7);
    // Kind rules are checked first.
    EXPECT_EQ(DomCode([&] { s->AppendChild(doc->CreateAttribute(u"x")); }), 3);
    EXPECT_EQ(Xml(s), "<s a=\"1\"><t>x</t></s>");
}

TEST(DomTree, MovesRemovalsAndReplacementsKeepTheLinksRight)
{
    auto doc = ParseText("<s><a><x/><y/></a><b/></s>");
    TDomElement* s = doc->DocumentElement();
    TDomNode* a = s->FirstChild();
    TDomNode* b = s->LastChild();
    TDomNode* x = a->FirstChild();
    EXPECT_EQ(b->AppendChild(x), x);
    EXPECT_EQ(x->GetParentNode(), b);
    EXPECT_EQ(a->ChildCount(), 1);
    EXPECT_EQ(a->FirstChild()->NodeName(), u"y");
    EXPECT_EQ(a->FirstChild()->PreviousSibling(), nullptr);
    // Move before a sibling, then onto itself (no change).
    s->InsertBefore(b, a);
    EXPECT_EQ(s->InsertBefore(a, a), a);
    EXPECT_EQ(Xml(s), "<s><b><x>\r\n</x></b><a><y>\r\n</y></a></s>");
    EXPECT_EQ(s->FirstChild()->NextSibling(), a);
    EXPECT_EQ(s->LastChild()->PreviousSibling(), b);

    // Removal and replacement hand back the old node detached.
    EXPECT_EQ(s->RemoveChild(b), b);
    EXPECT_EQ(b->GetParentNode(), nullptr);
    EXPECT_EQ(b->NextSibling(), nullptr);
    EXPECT_EQ(s->ReplaceChild(b, a), a);
    EXPECT_EQ(a->GetParentNode(), nullptr);
    s->ReplaceChild(b, b);
    EXPECT_EQ(Xml(s), "<s><b><x>\r\n</x></b></s>");
}

TEST(DomAttributes, ValuesReadBackAsWrittenOrAreRefused)
{
    TDomDocument doc;
    TDomElement* e = doc.CreateElement(u"e");
    struct {
        const char16_t* value;
        int code;
    } cases[] = {
        {u"a&amp;b", 0},
        {u"&lt;&#60;&#x3C;", 0},
        {u"say \"x\"", 0},
        {u"]]> is fine here", 0},
        {u"a<b", 5},
        {u"it's \"x\"", 5},
        {u"a&b", 5},
        {u"a&b&c;", 5},
        {u"&;", 5},
        {u"&1a;", 5},
    };
    e->SetAttribute(u"v", u"old");
    for (const auto& c : cases) {
        EXPECT_EQ(DomCode([&] { e->SetAttribute(u"v", c.value); }), c.code) << Narrow(c.value);
        EXPECT_EQ(e->GetAttribute(u"v"), c.code ? WideString(u"old") : WideString(c.value)) << Narrow(c.value);
        e->SetAttribute(u"v", u"old");
    }
    EXPECT_EQ(DomCode([&] { e->SetAttribute(u"w", u"x<y"); }), 5);
    EXPECT_EQ(e->GetAttributes()->GetNamedItem(u"w"), nullptr);

    e->SetAttribute(u"r", u"a&amp;b");
    const TDomAttr* r = e->GetAttributes()->GetNamedItem(u"r");
    ASSERT_EQ(r->ChildCount(), 3);
    EXPECT_EQ(r->GetChildNodes()->Item(0)->GetNodeValue(), u"a");
    EXPECT_EQ(r->GetChildNodes()->Item(1)->NodeName(), u"amp");
    EXPECT_TRUE(r->Specified());
    EXPECT_EQ(Narrow(r->GetXML(0, 0)), " r=\"a&amp;b\"");
}

TEST(DomAttributes, ReplacedValuesAreFreed)
{
    TDomDocument doc;
    TDomElement* e = doc.CreateElement(u"e");
    e->SetAttribute(u"v", u"a&x;b");
    const size_t owned = doc.OwnedNodeCount();
    for (int i = 0; i < 1000; ++i)
        e->SetAttribute(u"v", i % 2 ? u"a&x;b" : u"c&y;d");
    EXPECT_EQ(doc.OwnedNodeCount(), owned);
}

TEST(DomAttributes, AttributeNodesKeepPlacesAndOwners)
{
    TDomDocument doc;
    TDomElement* e = doc.CreateElement(u"e");
    TDomElement* f = doc.CreateElement(u"f");
    e->SetAttribute(u"a", u"1");
    e->SetAttribute(u"b", u"2");
    e->SetAttribute(u"c", u"3");
    e->SetAttribute(u"a", u"9");
    e->SetAttribute(u"a", u"1");  // a repeated name keeps its place
    EXPECT_EQ(e->GetAttribute(u"A"), u"");  // case-sensitive
    EXPECT_EQ(DomCode([&] { e->SetAttribute(u"bad name", u"x"); }), 5);

    TDomAttr* b2 = doc.CreateAttribute(u"b");
    b2->SetValue(u"new");
    e->SetAttributeNode(b2);
    EXPECT_EQ(AttributeNames(e), (std::vector<WideString>{u"a", u"b", u"c"}));
    EXPECT_EQ(e->GetAttributes()->Item(1), b2);
    EXPECT_EQ(e->GetAttribute(u"b"), u"new");
    EXPECT_EQ(DomCode([&] { f->SetAttributeNode(b2); }), 10);
    TDomDocument other;
    EXPECT_EQ(DomCode([&] { e->SetAttributeNode(other.CreateAttribute(u"z")); }), 4);
    for (const char16_t* name : {u"p", u"q", u"r", u"s", u"t"})  // whatever the name, none of e's
        EXPECT_EQ(DomCode([&] { e->RemoveAttributeNode(other.CreateAttribute(name)); }), 8);

    // Removal goes by name and keeps the order of the rest.
    TDomAttr* probe = doc.CreateAttribute(u"a");
    TDomAttr* a = e->GetAttributes()->GetNamedItem(u"a");
    EXPECT_EQ(e->RemoveAttributeNode(probe), a);
    EXPECT_EQ(a->OwnerElement(), nullptr);
    EXPECT_EQ(AttributeNames(e), (std::vector<WideString>{u"b", u"c"}));
    EXPECT_EQ(DomCode([&] { e->RemoveAttributeNode(probe); }), 8);
    f->SetAttributeNode(a);
    EXPECT_EQ(f->GetAttribute(u"a"), u"1");
    EXPECT_EQ(e->GetAttributes()->RemoveNamedItem(u"c")->Value(), u"3");
    EXPECT_EQ(DomCode([&] { e->GetAttributes()->RemoveNamedItem(u"c"); }), 8);
    EXPECT_THROW(e->GetAttributes()->Item(1), EListError);
}

TEST(DomAttributes, ManyAttributesStayConsistent)
{
    TDomDocument doc;
    TDomElement* e = doc.CreateElement(u"e");
    for (int i = 0; i < 200; ++i)
        e->SetAttribute(u"a" + W(std::to_string(i)), W(std::to_string(i)));
    for (int i = 0; i < 200; i += 2)
        e->GetAttributes()->RemoveNamedItem(u"a" + W(std::to_string(i)));
    e->SetAttribute(u"a1", u"x");
    TDomAttr* repl = doc.CreateAttribute(u"a3");
    e->SetAttributeNode(repl);
    ASSERT_EQ(e->GetAttributes()->Length(), 100);
    EXPECT_EQ(e->GetAttributes()->Item(0)->Name(), u"a1");
    EXPECT_EQ(e->GetAttributes()->Item(1), repl);
    EXPECT_EQ(e->GetAttribute(u"a1"), u"x");
    EXPECT_EQ(e->GetAttribute(u"a199"), u"199");
    EXPECT_EQ(e->GetAttributes()->GetNamedItem(u"a198"), nullptr);
    EXPECT_EQ(e->GetAttributes()->GetNamedItem(u"a3"), repl);
    for (int i = 200; i < 300; ++i)  // into the room the removals left, then beyond
        e->SetAttribute(u"a" + W(std::to_string(i)), u"n");
    ASSERT_EQ(e->AttributeCount(), 200);
    EXPECT_EQ(e->AttributeName(199), u"a299");
    EXPECT_EQ(e->GetAttribute(u"a250"), u"n");
    EXPECT_EQ(e->GetAttribute(u"a199"), u"199");
    // A copy in another document finds its names on its own.
    TDomDocument other;
    TDomElement* copy = e->CopyNode(false, &other)->AsElement();
    copy->GetAttributes()->RemoveNamedItem(u"a1");
    EXPECT_EQ(copy->GetAttribute(u"a199"), u"199");
    EXPECT_EQ(copy->GetAttributes()->GetNamedItem(u"a1"), nullptr);
    EXPECT_EQ(e->GetAttribute(u"a1"), u"x");
}

// Values and attribute lists too large for the node memory come from the heap; they go with the
// document (checked by the leak checkers of sanitiser builds).
TEST(DomAttributes, LargeValuesAndLongAttributeListsGoWithTheDocument)
{
    auto doc = std::make_unique<TDomDocument>();
    TDomElement* big = doc->CreateElement(u"big");
    const WideString large(100000, u'v');
    big->SetAttribute(u"a", large);
    big->SetAttribute(u"a", large + u"w");
    TDomElement* many = doc->CreateElement(u"many");
    for (int i = 0; i < 5000; ++i)
        many->SetAttribute(u"a" + W(std::to_string(i)), u"x");
    doc->AppendChild(doc->CreateElement(u"s"))->AppendChild(big)->GetParentNode()->AppendChild(many);
    TDomNode* copy = doc->DocumentElement()->CloneNode(true);
    EXPECT_EQ(copy->FirstChild()->AsElement()->GetAttribute(u"a"), large + u"w");
    EXPECT_EQ(copy->LastChild()->AsElement()->AttributeName(4999), u"a4999");
    EXPECT_EQ(doc->OwnedNodeCount(), 6u);
    doc.reset();
}

// Read values are kept as the reader's text until a node is asked for; copies keep that text
// alive when the reader and the first document are gone.
TEST(DomAttributes, ReadValuesOutliveTheReaderAndMixWithNodes)
{
    const std::string text = "<e a=\"1&amp;2\" b='say \"hi\"' c=\"\xE9\xFF\"/>";
    std::unique_ptr<TDomDocument> copy;
    {
        auto doc = ParseText(text);
        copy = doc->CloneDocument(true);
    }
    TDomElement* e = copy->DocumentElement();
    EXPECT_EQ(Xml(copy.get()), text + "\r\n");
    EXPECT_EQ(e->AttributeValue(0), u"1&amp;2");
    EXPECT_EQ(e->GetAttributes()->GetNamedItem(u"a")->ChildCount(), 3);
    e->GetAttributes()->GetNamedItem(u"b")->SetValue(u"plain");
    e->SetAttribute(u"c", u"\xD800");
    EXPECT_EQ(e->GetAttribute(u"b"), u"plain");
    EXPECT_EQ(e->GetAttribute(u"c"), u"\xD800");
    EXPECT_EQ(Xml(copy.get()), "<e a=\"1&amp;2\" b=\"plain\" c=\"\xED\xA0\x80\"/>\r\n");
    EXPECT_EQ(DomCode([&] { e->SetAttributeText("1x", "v"); }), 5);
    EXPECT_EQ(DomCode([&] { e->SetAttributeText("d", "a&b"); }), 5);
    EXPECT_FALSE(e->HasAttribute(u"d"));
}

TEST(DomLists, ElementItselfFirstThenDescendantsInDocumentOrderThenBoundsError)
{
    auto doc = ParseText(
        "<modulator name=\"m0\"><x><modulator name=\"m1\"><modulator name=\"m2\"/></modulator></x>"
        "<modulator name=\"m3\"/></modulator>");
    TDomElement* top = doc->DocumentElement();
    EXPECT_EQ(Names(top->GetElementsByTagName(u"modulator")),
              (std::vector<WideString>{u"m0", u"m1", u"m2", u"m3"}));
    TDomElement* x = top->FirstChild()->AsElement();
    EXPECT_EQ(Names(x->GetElementsByTagName(u"modulator")), (std::vector<WideString>{u"m1", u"m2"}));
    EXPECT_EQ(Names(x->GetElementsByTagName(u"*")), (std::vector<WideString>{u"x", u"m1", u"m2"}));
    EXPECT_EQ(doc->GetElementsByTagName(u"*")->Length(), 5);
    EXPECT_EQ(doc->GetElementsByTagName(u"Modulator")->Length(), 0);
    // Asking again gives the same live list; another root or name gives another.
    EXPECT_EQ(x->GetElementsByTagName(u"modulator"), x->GetElementsByTagName(u"modulator"));
    EXPECT_NE(x->GetElementsByTagName(u"modulator"), top->GetElementsByTagName(u"modulator"));
    EXPECT_NE(x->GetElementsByTagName(u"modulator"), x->GetElementsByTagName(u"*"));

    TDomNodeList* list = x->GetElementsByTagName(u"modulator");
    EXPECT_THROW(list->Item(list->Length()), EListError);
    EXPECT_THROW(list->Item(-1), EListError);
}

TEST(DomLists, LiveListsShrinkAndGrow)
{
    auto doc = ParseText(
        "<scene><light name=\"a\"/><object><light name=\"b\"/></object><light name=\"c\"/></scene>");
    TDomElement* scene = doc->DocumentElement();
    TDomNodeList* lights = doc->GetElementsByTagName(u"light");
    TDomNodeList* all = doc->GetElementsByTagName(u"*");
    TDomNodeList* underObject = scene->GetChildNodes()->Item(1)->AsElement()->GetElementsByTagName(u"light");
    ASSERT_EQ(lights->Length(), 3);
    ASSERT_EQ(all->Length(), 5);

    scene->RemoveChild(lights->Item(0));
    EXPECT_EQ(Names(lights), (std::vector<WideString>{u"b", u"c"}));
    EXPECT_EQ(all->Length(), 4);

    TDomElement* d = doc->CreateElement(u"light");
    d->SetAttribute(u"name", u"d");
    scene->FirstChild()->AppendChild(d);  // inside object, after b
    EXPECT_EQ(Names(lights), (std::vector<WideString>{u"b", u"d", u"c"}));
    EXPECT_EQ(Names(underObject), (std::vector<WideString>{u"b", u"d"}));

    // Removing a subtree takes the lights inside it away too.
    TDomNode* object = scene->FirstChild();
    scene->RemoveChild(object);
    EXPECT_EQ(Names(lights), (std::vector<WideString>{u"c"}));
    EXPECT_EQ(underObject->Length(), 2);  // the object's own list follows the detached object
    EXPECT_EQ(all->Length(), 2);
    scene->InsertBefore(object, scene->FirstChild());
    EXPECT_EQ(Names(lights), (std::vector<WideString>{u"b", u"d", u"c"}));

    // Text edits leave element lists alone; an element changing place is seen.
    scene->AppendChild(doc->CreateTextNode(u"t"));
    EXPECT_EQ(lights->Length(), 3);
    scene->InsertBefore(scene->LastChild()->PreviousSibling(), scene->FirstChild());
    EXPECT_EQ(Names(lights), (std::vector<WideString>{u"c", u"b", u"d"}));
}

TEST(DomTree, CloneNodeCopiesInTheSameDocument)
{
    auto doc = ParseText("<s k=\"v&amp;w\"><a b=\"1\">t<!--c--><![CDATA[d]]>&e;</a></s>");
    TDomElement* s = doc->DocumentElement();
    TDomNode* shallow = s->CloneNode(false);
    EXPECT_EQ(shallow->OwnerDocument(), doc.get());
    EXPECT_EQ(shallow->GetParentNode(), nullptr);
    EXPECT_EQ(Xml(shallow), "<s k=\"v&amp;w\"/>");
    TDomNode* deep = s->CloneNode(true);
    EXPECT_EQ(Xml(deep), Xml(s));
    // The copy is independent of the original.
    deep->FirstChild()->AsElement()->SetAttribute(u"b", u"2");
    EXPECT_EQ(s->FirstChild()->AsElement()->GetAttribute(u"b"), u"1");
    doc->ReplaceChild(deep, s);
    EXPECT_EQ(doc->DocumentElement(), deep);

    doc->SetEncodingCode(2);
    auto copy = doc->CloneDocument(true);
    EXPECT_EQ(copy->EncodingCode(), 0);
    EXPECT_EQ(Xml(copy.get()), Xml(doc.get()));
    EXPECT_EQ(copy->DocumentElement()->OwnerDocument(), copy.get());
    EXPECT_FALSE(doc->CloneDocument(false)->HasChildNodes());
    std::unique_ptr<TDomNode> viaNode(doc->CloneNode(true));
    EXPECT_EQ(viaNode->NodeType(), DOCUMENT_NODE);
    EXPECT_EQ(Xml(viaNode.get()), Xml(doc.get()));

    // Copying into another document.
    TDomDocument other;
    TDomNode* imported = deep->CopyNode(true, &other);
    other.AppendChild(imported);
    EXPECT_EQ(Xml(&other), Xml(doc.get()));
}

TEST(DomXml, TextForms)
{
    struct {
        const char* input;
        int level;
        int indent;
        const char* output;
    } cases[] = {
        {"<scene><shader name=\"s\"><attributes><color r=\"1\"/></attributes></shader><empty/></scene>", 0, 7,
         "<scene>\r\n"
         "       <shader name=\"s\">\r\n"
         "              <attributes>\r\n"
         "                     <color r=\"1\"/>\r\n"
         "              </attributes>\r\n"
         "       </shader>\r\n"
         "       <empty>\r\n"
         "       </empty>\r\n"
         "</scene>"},
        {"<scene><light name=\"l\"/></scene>", 0, 7, "<scene>\r\n       <light name=\"l\">\r\n       </light>\r\n</scene>"},
        {"<a><b>x<c/><d e=\"1\"/></b></a>", 0, 7, "<a>\r\n       <b>x<c>\r\n</c><d e=\"1\"/></b>\r\n</a>"},
        {"<a><b>line1\r\nline2</b></a>", 3, 2, "   <a>\r\n     <b>line1\r\nline2</b>\r\n   </a>"},
        {"<a><b/></a>", 0, 0, "<a><b>\r\n</b></a>"},
        // Comments take lines of their own, as elements do.
        {"<a><!--c--><b/></a>", 7, 7, "       <a>\r\n              <!--c-->\r\n              <b>\r\n              </b>\r\n       </a>"},
        {"<a>&amp;<![CDATA[<x>]]></a>", 0, 7, "<a>&amp;<![CDATA[<x>]]></a>"},
        {"<a k=\"1\" l='it\"s'/>", 4, 7, "    <a k=\"1\" l='it\"s'/>"},
        {"<a/>", 7, 7, "       <a>\r\n       </a>"},
        // `null` alone is written empty, wherever it stands; `attributes` keeps its end tag.
        {"<scene><object><attributes/><null></null></object><null/></scene>", 0, 7,
         "<scene>\r\n"
         "       <object>\r\n"
         "              <attributes>\r\n"
         "              </attributes>\r\n"
         "              <null/>\r\n"
         "       </object>\r\n"
         "       <null/>\r\n"
         "</scene>"},
        {"<a>x<null/></a>", 0, 7, "<a>x<null/></a>"},
    };
    for (const auto& c : cases) {
        auto doc = ParseText(c.input);
        EXPECT_EQ(Xml(doc->DocumentElement(), c.level, c.indent), c.output) << c.input;
        std::string direct = "pre";
        AppendXmlUtf8(direct, *doc->DocumentElement(), c.level, c.indent);
        EXPECT_EQ(direct, "pre" + std::string(c.output)) << c.input;
    }
    auto doc = ParseText("<!--top--><scene><a/></scene>");
    EXPECT_EQ(Xml(doc.get(), 7, 7), "<!--top-->\r\n<scene>\r\n       <a>\r\n       </a>\r\n</scene>\r\n");
    EXPECT_EQ(Xml(doc->FirstChild(), 3, 0), "   <!--top-->");
    TDomElement* detached = doc->CreateElement(u"d");
    detached->SetAttribute(u"x", u"1");
    EXPECT_EQ(Xml(detached), "<d x=\"1\"/>");
}

// The 8-bit text form equals the wide one narrowed as a whole, also where a surrogate pair is
// split between two nodes or a high surrogate stands alone before markup or blanks.
TEST(DomXml, Utf8FormMatchesNarrowedWideForm)
{
    auto doc = ParseText("<scene><a k=\"v\"/></scene>");
    TDomElement* scene = doc->DocumentElement();
    TDomElement* b = doc->CreateElement(u"b");
    scene->AppendChild(b);
    b->AppendChild(doc->CreateTextNode(u"x\xD83D"));
    b->AppendChild(doc->CreateTextNode(u"\xDE00y\xDC93\xD83D"));
    b->AppendChild(doc->CreateTextNode(u"\xD83D"));
    scene->FirstChild()->AsElement()->SetAttribute(u"k", u"\xD83D");
    scene->AppendChild(doc->CreateComment(u"\xD83D\xDE00\u00e9"));
    for (int indent : {0, 7}) {
        std::string direct;
        AppendXmlUtf8(direct, *doc, 7, indent);
        EXPECT_EQ(direct, Narrow(doc->GetXML(7, indent)));
    }
    std::string attr;
    AppendXmlUtf8(attr, *scene->FirstChild()->AsElement()->GetAttributes()->Item(0), 0, 0);
    EXPECT_EQ(attr, " k=\"\xED\xA0\xBD\"");
}

TEST(DomTree, FreeingTheDocumentFreesDetachedNodesAndLists)
{
    // Built and dropped under the leak checkers of sanitiser builds; here it must simply not crash.
    auto doc = std::make_unique<TDomDocument>();
    TDomElement* root = doc->CreateElement(u"r");
    doc->AppendChild(root);
    TDomNode* cur = root;
    for (int i = 0; i < 100000; ++i) {
        TDomElement* e = doc->CreateElement(u"e");
        cur->AppendChild(e);
        cur = e;
    }
    for (int i = 0; i < 100; ++i)
        doc->GetElementsByTagName(u"e");
    doc->CreateElement(u"loose")->SetAttribute(u"a", u"&b;");
    root->RemoveChild(root->FirstChild());
    EXPECT_EQ(doc->GetElementsByTagName(u"e")->Length(), 0);
    doc.reset();
}

TEST(DomLists, ListsAndMapsAreMadeOncePerNodeAndGoWithTheirNode)
{
    auto doc = ParseText("<s a=\"1\"><c/><d/></s>");
    TDomElement* s = doc->DocumentElement();
    s->AppendChild(doc->CreateElement(u"e"));
    TDomNodeList* kids = s->GetChildNodes();
    EXPECT_EQ(kids, s->GetChildNodes());
    EXPECT_EQ(s->GetAttributes(), s->GetAttributes());
    EXPECT_EQ(kids->Length(), 3);
    EXPECT_EQ(kids->Item(2)->NodeName(), u"e");
    TDomElement* copy = s->CloneNode(true)->AsElement();
    EXPECT_NE(copy->GetChildNodes(), kids);
    EXPECT_EQ(copy->GetChildNodes()->Length(), 3);
    EXPECT_EQ(copy->GetAttributes()->OwnerElement(), copy);
    EXPECT_EQ(doc->CreateTextNode(u"t")->GetChildNodes(), nullptr);

    // A freed attribute's list (and its remembered position) must not pass to a node made in its place.
    for (int i = 0; i < 20; ++i) {
        TDomAttr* a = s->GetAttributes()->GetNamedItem(u"a");
        a->SetValue(u"x&y;z");
        ASSERT_EQ(a->GetChildNodes()->Item(1)->NodeName(), u"y");
        TDomAttr* b = doc->CreateAttribute(u"a");
        b->SetValue(u"q&r;s&t;u");
        s->SetAttributeNode(b);
        // The first look-up walks from a remembered position when there is one.
        ASSERT_EQ(b->GetChildNodes()->Item(1), b->FirstChild()->NextSibling());
        ASSERT_EQ(b->GetChildNodes()->Length(), 5);
    }
}

TEST(DomLists, ChildListPositionsStayRightWhileEditing)
{
    // Item() walks from a remembered position; every kind of edit must keep it right.
    auto doc = ParseText("<s><c0/><c1/><c2/><c3/><c4/><c5/><c6/><c7/></s>");
    TDomElement* s = doc->DocumentElement();
    TDomNodeList* kids = s->GetChildNodes();
    std::vector<TDomNode*> model;
    for (TDomNode* c = s->FirstChild(); c; c = c->NextSibling())
        model.push_back(c);
    auto check = [&](const char* step) {
        ASSERT_EQ(kids->Length(), static_cast<int>(model.size())) << step;
        for (int i = 0; i < kids->Length(); ++i)
            ASSERT_EQ(kids->Item(i), model[i]) << step << " at " << i;
        for (int i = kids->Length() - 1; i >= 0; --i)
            ASSERT_EQ(kids->Item(i), model[i]) << step << " backwards at " << i;
        const TDomNode* c = s->LastChild();
        for (int i = static_cast<int>(model.size()) - 1; i >= 0; --i, c = c->PreviousSibling())
            ASSERT_EQ(c, model[i]) << step << " linked backwards at " << i;
        ASSERT_EQ(c, nullptr) << step;
    };
    check("start");
    EXPECT_THROW(kids->Item(kids->Length()), EListError);
    // Remove while walking forwards, the usual loop.
    for (int i = 0; i < kids->Length();) {
        if (kids->Item(i)->NodeName() == u"c2" || kids->Item(i)->NodeName() == u"c3") {
            model.erase(model.begin() + i);
            s->RemoveChild(kids->Item(i));
        } else {
            ++i;
        }
    }
    check("removed while walking");
    kids->Item(3);
    s->InsertBefore(doc->CreateElement(u"front"), s->FirstChild());
    model.insert(model.begin(), s->FirstChild());
    EXPECT_EQ(kids->Item(4), model[4]);
    kids->Item(4);
    s->InsertBefore(doc->CreateElement(u"mid"), kids->Item(4));
    model.insert(model.begin() + 4, s->GetChildNodes()->Item(4));
    check("inserted");
    kids->Item(2);
    s->RemoveChild(s->FirstChild());
    model.erase(model.begin());
    EXPECT_EQ(kids->Item(1), model[1]);
    kids->Item(2);
    s->RemoveChild(s->LastChild());
    model.pop_back();
    kids->Item(3);
    s->RemoveChild(model[1]);
    model.erase(model.begin() + 1);
    check("removed ends and middle");
    kids->Item(1);
    s->AppendChild(model[0]);  // move the first child to the end
    model.push_back(model.front());
    model.erase(model.begin());
    check("moved");
}
