#include <gtest/gtest.h>

#include "DomParserHelpers.h"
#include "scene/Errors.h"
#include "support/TempDir.h"

using namespace kelvane;
using kelvane::test::ParseError;
using kelvane::test::ParseText;
using kelvane::test::Xml;

namespace {

struct TBrokenCase {
    const char* input;
    const char* message;
};

const TBrokenCase kBroken[] = {
    {"<a><b></a>", "There is no corresponding tag:b"},
    {"</a>", "There is no corresponding beginnig-tag:a"},
    {"<a>", "There is no corresponding tag:a"},
    {"<A></a>", "There is no corresponding tag:A"},
    {"<", "Incorrect Token:"},
    {"<a>&;</a>", "Incorrect Token:&;"},
    {"<a>x &amp y</a>", "Incorrect Token:&amp y</a>"},
    {"<a></a", "There is no corresponding tag:a"},
    {"<?xml version=\"1.0\"><a/>", "Incorrect Token:<?xml version=\"1.0\">"},
    {"<a><![CDATA[open</a>", "Incorrect Token:"},
    {"<a><!-- no end</a>", "Incorrect Token:"},
    {"<a b=c/>", "Incorrect attribute: a b=c"},
    {"<a b=c></a>", "Incorrect attribute: a b=c"},
    {"<a b=\"1\" c=d e=\"2\"/>", "Incorrect attribute: a b=\"1\" c=d e=\"2\""},
    {"<a b==\"1\"/>", "Incorrect attribute: a b==\"1\""},
    {"<a b=\"1/>", "Incorrect attribute: a b=\"1"},
    // Errors of the tree pass through.
    {"<a b<c=\"1\"/>", "An unsuitable character was inputted."},
    {"<1a/>", "An unsuitable character was inputted."},
    {"<a b=\"x<y\"></a>", "An unsuitable character was inputted."},
    {"<a>x]]>y</a>", "An unsuitable character was inputted."},
    {"<a><!-- a -- b --></a>", "An unsuitable character was inputted."},
    {"<a>&x y;</a>", "An unsuitable character was inputted."},
    {"<a/><b/>", "The node was inserted to the part which it did not belong to."},
    {"text<a/>", "The node was inserted to the part which it did not belong to."},
    {"<a/>&amp;", "The node was inserted to the part which it did not belong to."},
    {"<![CDATA[x]]><a/>", "The node was inserted to the part which it did not belong to."},
};

} // namespace

TEST(ParserErrors, EachBrokenInputGivesItsMessageAndKind)
{
    for (const auto& c : kBroken)
        EXPECT_EQ(ParseError(c.input), c.message) << "input: " << c.input;
    EXPECT_THROW(ParseText("<a><b></a>"), EParserError);
    EXPECT_THROW(ParseText("<a b=c/>"), EParserError);
    EXPECT_THROW(ParseText("<a/><b/>"), EDomException);
}

TEST(ParserErrors, TokenListKeepsWhatWasReadBeforeTheError)
{
    TXMLParser parser;
    EXPECT_THROW(parser.ReadTokens("<a><b>text</c>"), EParserError);
    ASSERT_EQ(parser.Tokens().size(), 3u);
    EXPECT_EQ(parser.Tokens()[2].text, "text");
}

TEST(TokenReader, KindsAndTextsOfEveryToken)
{
    const std::string text =
        "<?xml version=\"1.0\"?><?pi x?><!DOCTYPE s [<!ELEMENT s ANY><!ATTLIST s a CDATA #IMPLIED>]>"
        "<s a=\"1>\"><!-- c > d --><![CDATA[<raw>]]>t&amp;&#x41;<e/></s>";
    TTokenReader r;
    r.SetSource(text);
    std::vector<std::pair<int, std::string>> got;
    for (r.Next(); r.Kind() != tkEndOfText; r.Next())
        got.emplace_back(r.Kind(), std::string(r.Text()));
    const std::vector<std::pair<int, std::string>> want = {
        {tkXmlDecl, "<?xml version=\"1.0\"?>"},
        {tkProcessing, "<?pi x?>"},
        {tkMarkupDecl, "<!DOCTYPE s [<!ELEMENT s ANY><!ATTLIST s a CDATA #IMPLIED>]>"},
        {tkStartTag, "<s a=\"1>"},  // quotes are not looked at
        {tkCharData, "\">"},
        {tkComment, "<!-- c > d -->"},
        {tkCData, "<![CDATA[<raw>]]>"},
        {tkCharData, "t"},
        {tkEntityRef, "&amp;"},
        {tkEntityRef, "&#x41;"},
        {tkEmptyTag, "<e/>"},
        {tkEndTag, "</s>"},
    };
    EXPECT_EQ(got, want);
    EXPECT_EQ(r.Cursor(), text.size());
}

TEST(TokenReader, EndsAtFirstNulAndStaysAtEnd)
{
    const std::string text("<a>x\0<b>", 8);
    TTokenReader r;
    r.SetSource(text);
    EXPECT_EQ(r.Source().size(), 4u);
    r.Next();
    r.Next();
    EXPECT_EQ(r.Text(), "x");
    r.Next();
    EXPECT_EQ(r.Kind(), tkEndOfText);
    r.Next();
    EXPECT_EQ(r.Kind(), tkEndOfText);
    EXPECT_EQ(r.Cursor(), 4u);
}

TEST(TokenReader, CutOffTokens)
{
    struct {
        const char* text;
        int kind;
        const char* token;
    } cases[] = {
        {"<a b", tkBad, ""},
        {"</a", tkEndOfText, ""},
        {"&amp", tkBad, "&amp"},
        {"&;", tkBad, "&;"},
        {"<?x>", tkBad, "<?x>"},
        {"<?x ? >?>", tkBad, "<?x ? >"},
        {"<?x ?a?>", tkProcessing, "<?x ?a?>"},
        {"<!x <y> z", tkBad, ""},
        {"<!-->", tkComment, "<!-->"},
    };
    for (const auto& c : cases) {
        TTokenReader r;
        r.SetSource(c.text);
        r.Next();
        EXPECT_EQ(r.Kind(), c.kind) << c.text;
        EXPECT_EQ(r.Text(), c.token) << c.text;
    }
    EXPECT_EQ(TagName("</name\tx>"), "name");
    EXPECT_EQ(TagName("<e/>"), "e");
}

TEST(Parser, DeclarationsAndDoctypeAreDropped)
{
    auto doc = ParseText(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<!DOCTYPE scene [\r\n<!ENTITY e \"v\">\r\n]>\r\n"
        "<?pi data?><scene><a/></scene>\r\n");
    ASSERT_EQ(doc->ChildCount(), 1);
    EXPECT_EQ(doc->DocumentElement()->NodeName(), u"scene");
}

TEST(Parser, AttributesAsWrittenAndRepeatedOnes)
{
    auto doc = ParseText("<s a = \"0\" b='x&amp;y' c=\"2\"d=\"3\" e=\"q'\" a=\"1\" stray/>");
    const TDomElement* s = doc->DocumentElement();
    const TDomNamedNodeMap* map = s->GetAttributes();
    ASSERT_EQ(map->Length(), 5);
    const char16_t* names[] = {u"a", u"b", u"c", u"d", u"e"};
    const char16_t* values[] = {u"1", u"x&amp;y", u"2", u"3", u"q'"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(map->Item(i)->Name(), names[i]);
        EXPECT_EQ(map->Item(i)->Value(), values[i]);
    }
    // A repeated name keeps its first place and takes the last value; the reference is held as its own node between two text pieces.
    const TDomAttr* b = map->Item(1);
    ASSERT_EQ(b->ChildCount(), 3);
    EXPECT_EQ(b->GetChildNodes()->Item(1)->NodeType(), ENTITY_REFERENCE_NODE);
    EXPECT_EQ(b->GetChildNodes()->Item(1)->NodeName(), u"amp");
}

TEST(Parser, TrimTextDropsBlankRunsOnly)
{
    const char* text = "<s>\r\n  <a> keep me </a>\r\n  <b>\t</b>\r\n</s>";
    auto trimmed = ParseText(text, true);
    const TDomElement* s = trimmed->DocumentElement();
    ASSERT_EQ(s->ChildCount(), 2);
    EXPECT_EQ(s->FirstChild()->FirstChild()->GetNodeValue(), u" keep me ");
    EXPECT_FALSE(s->LastChild()->HasChildNodes());

    auto kept = ParseText(text, false);
    EXPECT_EQ(kept->DocumentElement()->ChildCount(), 5);
    EXPECT_EQ(kept->DocumentElement()->LastChild()->PreviousSibling()->FirstChild()->GetNodeValue(), u"\t");
}

TEST(Parser, MixedContentNodes)
{
    auto doc = ParseText("<s>a&lt;b<![CDATA[<x>]]><!--a -> <c>--><e/>&#65;</s>");
    const TDomNodeList* kids = doc->DocumentElement()->GetChildNodes();
    ASSERT_EQ(kids->Length(), 7);
    const int types[] = {TEXT_NODE, ENTITY_REFERENCE_NODE, TEXT_NODE, CDATA_SECTION_NODE, COMMENT_NODE,
                         ELEMENT_NODE, ENTITY_REFERENCE_NODE};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(kids->Item(i)->NodeType(), types[i]) << i;
    EXPECT_EQ(kids->Item(3)->GetNodeValue(), u"<x>");
    EXPECT_EQ(kids->Item(4)->GetNodeValue(), u"a -> <c>");
    EXPECT_EQ(kids->Item(6)->NodeName(), u"#65");
    EXPECT_EQ(Xml(doc.get()), "<s>a&lt;b<![CDATA[<x>]]><!--a -> <c>--><e>\r\n</e>&#65;</s>\r\n");
}

TEST(Parser, DeepNestingReadsWritesCopiesAndFrees)
{
    const int depth = 100000;
    std::string text;
    text.reserve(depth * 8);
    for (int i = 0; i < depth; ++i)
        text += "<e>";
    text += "x";
    for (int i = 0; i < depth; ++i)
        text += "</e>";
    auto doc = ParseText(text);
    EXPECT_EQ(doc->GetElementsByTagName(u"e")->Length(), depth);
    EXPECT_EQ(Narrow(doc->DocumentElement()->GetXML(0, 0)), text);
    auto copy = doc->CloneDocument(true);
    EXPECT_EQ(Narrow(copy->DocumentElement()->GetXML(0, 0)), text);
    // Ancestor check at the bottom of the chain.
    TDomNode* bottom = copy->DocumentElement();
    while (bottom->FirstChild()->NodeType() == ELEMENT_NODE)
        bottom = bottom->FirstChild();
    EXPECT_EQ(test::DomCode([&] { bottom->AppendChild(copy->DocumentElement()); }), 3);
    TDomNode* deep = copy->DocumentElement()->CloneNode(true);
    EXPECT_EQ(static_cast<TDomElement*>(deep)->GetElementsByTagName(u"*")->Length(), depth);
}

TEST(Parser, HugeAttributeValue)
{
    std::string value(50u << 20, 'v');
    value[1000] = '&';
    value[1001] = 'a';
    value[1002] = ';';
    auto doc = ParseText("<s big=\"" + value + "\"/>");
    const WideString got = doc->DocumentElement()->GetAttribute(u"big");
    ASSERT_EQ(got.size(), value.size());
    EXPECT_EQ(got.substr(998, 6), u"vv&a;v");
}

TEST(Parser, MultiByteTextSurvives)
{
    // Two-, three- and four-byte sequences and stray Latin-1 bytes.
    const std::string value = "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xA8 \xE9t\xE9";
    auto doc = ParseText("<s name=\"" + value + "\">" + value + "</s>");
    const TDomElement* s = doc->DocumentElement();
    EXPECT_EQ(Narrow(s->GetAttribute(u"name")), value);
    EXPECT_EQ(s->GetAttribute(u"name").substr(7, 2), u"\U0001F3A8");
    EXPECT_EQ(Narrow(s->GetXML(0, 0)), "<s name=\"" + value + "\">" + value + "</s>");
}

TEST(ParserEncoding, DetectEncodingFromHead)
{
    struct {
        std::string head;
        int code;
    } cases[] = {
        {"\xEF\xBB\xBF<s/>", 1},
        {"\xFF\xFE<\0s\0", 2},
        {"\xFE\xFF\0<\0s", 3},
        {"<scene/>", 0},
        {"<?xml version=\"1.0\"?><s/>", 1},
        {"<?xml version=\"1.0\" encoding=\"utf-8\"?>", 1},
        {"<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>", 0},
        {"<?xml version=\"1.0\" encoding=\"UTF-16\"?>", 2},
        // Only the text up to the first "?>" names the encoding.
        {"<?xml version=\"1.0\"?><s a=\"encoding UTF-16\"/>", 0},
        {std::string(100, ' ') + "<?xml version=\"1.0\"?>", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DetectEncoding(std::string_view(c.head)), c.code) << c.head;
}

TEST(ParserEncoding, DecodeBytesByCode)
{
    EXPECT_EQ(DecodeSceneBytes("\xEF\xBB\xBF<a/>", 1), "<a/>");
    EXPECT_EQ(DecodeSceneBytes("\xEF\xBB\xBF<a/>", 0), "\xEF\xBB\xBF<a/>");
    EXPECT_EQ(DecodeSceneBytes(std::string_view("\xFF\xFE<\0\xE9\0", 6), 2), "<\xC3\xA9");
    EXPECT_EQ(DecodeSceneBytes(std::string_view("\xFE\xFF\0<\xD8\x3C\xDF\xA8", 8), 3), "<\xF0\x9F\x8E\xA8");
    // A declaration naming UTF-16 in an 8-bit file does not turn its bytes into UTF-16.
    EXPECT_EQ(DecodeSceneBytes("<?xml encoding=\"UTF-16\"?><a/>", 2), "<?xml encoding=\"UTF-16\"?><a/>");
}

TEST(ParserEncoding, LineEndsBecomeCrLf)
{
    EXPECT_EQ(NormaliseLineEnds(""), "");
    EXPECT_EQ(NormaliseLineEnds("a"), "a\r\n");
    EXPECT_EQ(NormaliseLineEnds("a\r\nb\r\n"), "a\r\nb\r\n");
    EXPECT_EQ(NormaliseLineEnds("a\nb\rc\r\n\n"), "a\r\nb\r\nc\r\n\r\n");
    EXPECT_EQ(NormaliseLineEnds("\r"), "\r\n");
}

namespace {

std::string Utf16(const std::string& utf8, bool bigEndian)
{
    const WideString w = Widen(utf8);
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t u : w) {
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

std::string LoadAndWrite(const std::filesystem::path& file, uint8_t* code = nullptr)
{
    TXMLParser parser;
    parser.TrimText = true;
    parser.LoadFromFile(file);
    auto doc = parser.CreateDocument();
    if (code)
        *code = doc->EncodingCode();
    return Narrow(doc->GetXML(0, 7));
}

} // namespace

TEST(ParserEncoding, Utf16FilesGiveTheTreeOfTheirUtf8Twin)
{
    test::TempDir dir;
    const std::string scene =
        "<?xml version=\"1.0\"?>\n<scene>\n  <shader name=\"caf\xC3\xA9 \xF0\x9F\x8E\xA8\" type=\"generic\">"
        "\n    <attributes>\n<color r=\"1\"/></attributes>\n  </shader>\n<t>line1\nline2</t></scene>\n";
    uint8_t code8 = 9, codeLe = 9, codeBe = 9, codeBom = 9;
    const std::string want = LoadAndWrite(dir.Write("u8.xml", scene), &code8);
    EXPECT_EQ(LoadAndWrite(dir.Write("le.xml", Utf16(scene, false)), &codeLe), want);
    EXPECT_EQ(LoadAndWrite(dir.Write("be.xml", Utf16(scene, true)), &codeBe), want);
    EXPECT_EQ(LoadAndWrite(dir.Write("bom.xml", "\xEF\xBB\xBF" + scene), &codeBom), want);
    EXPECT_EQ(code8, 1);
    EXPECT_EQ(codeLe, 2);
    EXPECT_EQ(codeBe, 3);
    EXPECT_EQ(codeBom, 1);
    EXPECT_NE(want.find("caf\xC3\xA9 \xF0\x9F\x8E\xA8"), std::string::npos);
    EXPECT_NE(want.find("line1\r\nline2"), std::string::npos);
}

TEST(ParserEncoding, Latin1BytesSurviveEmptyFileReadsMissingFileFails)
{
    test::TempDir dir;
    const std::string scene = "<scene><shader name=\"gr\xFCn\xE9\"/></scene>";
    TXMLParser parser;
    parser.LoadFromFile(dir.Write("latin1.xml", scene));
    auto doc = parser.CreateDocument();
    EXPECT_EQ(doc->EncodingCode(), 0);
    EXPECT_EQ(Narrow(doc->DocumentElement()->FirstChild()->GetAttributes()->Item(0)->Value()), "gr\xFCn\xE9");

    TXMLParser empty;
    empty.LoadFromFile(dir.Write("empty.xml", ""));
    EXPECT_FALSE(empty.CreateDocument()->HasChildNodes());

    EXPECT_THROW(parser.LoadFromFile(dir / "none.xml"), EFileError);
    EXPECT_THROW(DetectEncoding(dir / "none.xml"), EFileError);
    EXPECT_THROW(DetectEncoding(dir.Path()), EFileError);
    EXPECT_EQ(DetectEncoding(dir.Write("h.xml", "\xFE\xFF")), 3);
}
