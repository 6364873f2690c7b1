#include "scene/skParser.h"

#include <algorithm>


#include "scene/Errors.h"
#include "scene/FileIO.h"

namespace kelvane {

namespace {

constexpr std::string_view kNoText;
constexpr size_t npos = std::string_view::npos;

bool IsBlank(char c)
{
    return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

bool IsBlankThroughout(std::string_view text)
{
    for (char c : text)
        if (!IsBlank(c))
            return false;
    return true;
}

std::string_view TrimBlanks(std::string_view text)
{
    size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b]))
        ++b;
    while (e > b && IsBlank(text[e - 1]))
        --e;
    return text.substr(b, e - b);
}

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

[[noreturn]] void Fail(std::string_view message, std::string_view detail)
{
    std::string text;
    text.reserve(message.size() + detail.size());
    text += message;
    text += detail;
    throw EParserError(text);
}

// Decodes the bytes in place where that needs no second buffer.
std::string Decode(std::string bytes, uint8_t code)
{
    std::string_view view(bytes);
    switch (code) {
    case 1:
        if (StartsWith(view, "\xEF\xBB\xBF"))
            bytes.erase(0, 3);
        return bytes;
    case 2:
        // Without its mark the text is 8-bit: the declaration naming UTF-16 was read as bytes.
        if (StartsWith(view, "\xFF\xFE"))
            return Utf16BytesToUtf8(view.substr(2), false);
        return bytes;
    case 3:
        if (StartsWith(view, "\xFE\xFF"))
            return Utf16BytesToUtf8(view.substr(2), true);
        return bytes;
    default:
        return bytes;
    }
}

// Wide form of text in buffer (its memory reused); plain ASCII needs no decoding.
WideView WidenInto(WideString& buffer, std::string_view text)
{
    bool ascii = true;
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii)
        buffer.assign(text.begin(), text.end());
    else
        buffer = Widen(text);
    return buffer;
}

// Buffers reused across the tags of one document.
struct TAttributeScratch {
    std::vector<std::string_view> parts;
};

// keepView: the values view text that the element's document keeps.
void SetAttributes(TDomElement* element, std::string_view inner, TAttributeScratch& scratch, bool keepView);

} // namespace

// ---------------------------------------------------------------------------------------------
// TTokenReader

void TTokenReader::SetSource(std::string_view text)
{
    const size_t nul = text.find('\0');
    source_ = nul == npos ? text : text.substr(0, nul);
    cursor_ = 0;
    kind_ = tkEndOfText;
    text_ = {};
}

void TTokenReader::Finish(uint8_t kind, size_t end)
{
    kind_ = kind;
    text_ = source_.substr(cursor_, end - cursor_);
    cursor_ = end;
}

void TTokenReader::Fail(size_t cursor)
{
    kind_ = tkBad;
    text_ = {};
    cursor_ = cursor;
}

void TTokenReader::Next()
{
    const std::string_view s = source_;
    const size_t n = s.size();
    const size_t at = cursor_;
    if (at >= n) {
        kind_ = tkEndOfText;
        text_ = {};
        return;
    }
    const char c = s[at];
    if (c == '&') {
        const size_t semi = s.find(';', at + 1);
        if (semi == npos) {
            Finish(tkBad, n);
            return;
        }
        Finish(semi == at + 1 ? tkBad : tkEntityRef, semi + 1);
        return;
    }
    if (c != '<') {
        const size_t end = s.find_first_of("<&", at);
        Finish(tkCharData, end == npos ? n : end);
        return;
    }
    const char c1 = at + 1 < n ? s[at + 1] : '\0';
    if (c1 == '/') {
        const size_t gt = s.find('>', at + 2);
        if (gt == npos) {
            // The rest counts as the end of the text.
            kind_ = tkEndOfText;
            text_ = {};
            cursor_ = n;
            return;
        }
        Finish(tkEndTag, gt + 1);
        return;
    }
    if (c1 == '?') {
        const uint8_t kind = s.substr(at + 2, 3) == "xml" ? tkXmlDecl : tkProcessing;
        for (size_t i = at + 2; i < n; ++i) {
            if (s[i] == '?' && i + 1 < n && s[i + 1] == '>') {
                Finish(kind, i + 2);
                return;
            }
            if (s[i] == '>') {
                Finish(tkBad, i + 1);
                return;
            }
        }
        Fail(n);
        return;
    }
    if (c1 == '!') {
        const std::string_view rest = s.substr(at);
        if (StartsWith(rest, "<![CDATA[")) {
            const size_t end = s.find("]]>", at + 9);
            if (end == npos)
                Fail(n);
            else
                Finish(tkCData, end + 3);
            return;
        }
        if (StartsWith(rest, "<!--")) {
            // A comment runs to its first "-->", whatever brackets it holds.
            const size_t end = s.find("-->", at + 2);
            if (end == npos)
                Fail(n);
            else
                Finish(tkComment, end + 3);
            return;
        }
        size_t depth = 0;
        for (size_t i = at + 2; i < n; ++i) {
            if (s[i] == '<') {
                ++depth;
            } else if (s[i] == '>') {
                if (depth == 0) {
                    Finish(tkMarkupDecl, i + 1);
                    return;
                }
                --depth;
            }
        }
        Fail(n);
        return;
    }
    for (size_t i = at + 1; i < n; ++i) {
        if (s[i] == '/' && i + 1 < n && s[i + 1] == '>') {
            Finish(tkEmptyTag, i + 2);
            return;
        }
        if (s[i] == '>') {
            Finish(tkStartTag, i + 1);
            return;
        }
    }
    Fail(n);
}

std::string_view TagName(std::string_view tokenText)
{
    size_t b = 0;
    while (b < tokenText.size() && (tokenText[b] == '<' || tokenText[b] == '/'))
        ++b;
    size_t e = b;
    while (e < tokenText.size()) {
        const char c = tokenText[e];
        if (c == '\0' || IsBlank(c) || c == '/' || c == '>')
            break;
        ++e;
    }
    return tokenText.substr(b, e - b);
}

// ---------------------------------------------------------------------------------------------
// TXMLParser

TXMLParser::TXMLParser() = default;
TXMLParser::~TXMLParser() = default;

void TXMLParser::LoadFromFile(const std::filesystem::path& fileName)
{
    std::string bytes = ReadWholeFile(fileName);
    encoding_ = DetectEncoding(std::string_view(bytes));
    ReadTokens(NormaliseLineEnds(Decode(std::move(bytes), encoding_)));
}

void TXMLParser::ReadTokens(std::string text)
{
    tokens_.clear();
    source_ = std::make_shared<const std::string>(std::move(text));
    tokens_.reserve(source_->size() / 24 + 16);
    AdviseLargeBuffer(tokens_.data(), tokens_.capacity() * sizeof(TXMLToken));
    std::vector<std::string_view> open;
    errorAt_ = npos;
    endedInside_.clear();
    reader_.SetSource(*source_);
    size_t at = 0;  // where the token starts
    reader_.Next();
    for (;;) {
        const uint8_t kind = reader_.Kind();
        const std::string_view token = reader_.Text();
        switch (kind) {
        case tkEndOfText:
            if (!open.empty()) {
                errorAt_ = reader_.Source().size();
                endedInside_ = open.back();
                Fail("There is no corresponding tag:", open.back());
            }
            return;
        case tkBad:
            errorAt_ = at;
            if (token.empty()) {
                // Cut off by the end of the text: inside the tag that begins here, else the open element.
                const std::string_view rest = reader_.Source().substr(at);
                const std::string_view name = rest.size() > 1 && rest[1] != '!' && rest[1] != '?' ? TagName(rest) : kNoText;
                endedInside_ = !name.empty() ? name : open.empty() ? kNoText : open.back();
            }
            Fail("Incorrect Token:", token);
        case tkCharData:
            if (token.empty() || (TrimText && IsBlankThroughout(token)))
                break;
            tokens_.push_back({token, kind});
            break;
        case tkStartTag:
            open.push_back(TagName(token));
            tokens_.push_back({token, kind});
            break;
        case tkEndTag: {
            const std::string_view name = TagName(token);
            if (open.empty() || name != open.back())
                errorAt_ = at;
            if (open.empty())
                Fail("There is no corresponding beginnig-tag:", name);
            if (name != open.back())
                Fail("There is no corresponding tag:", open.back());
            open.pop_back();
            tokens_.push_back({token, kind});
            break;
        }
        default:
            tokens_.push_back({token, kind});
            break;
        }
        at = reader_.Cursor();
        reader_.Next();
    }
}

std::unique_ptr<TDomDocument> TXMLParser::CreateDocument()
{
    auto document = std::make_unique<TDomDocument>();
    document->SetEncodingCode(encoding_);
    TDomDocument* doc = document.get();
    if (source_)
        doc->KeepText(source_);  // attribute values view it
    // The document lists every node but elements: at most one a token that is no tag.
    size_t tags = 0;
    for (const TXMLToken& token : tokens_)
        tags += token.kind == tkStartTag || token.kind == tkEmptyTag || token.kind == tkEndTag;
    doc->nodes_.reserve(tokens_.size() - tags);
    TDomNode* current = doc;
    TAttributeScratch scratch;
    WideString wide;
    const TXMLToken* failing = nullptr;
    try {
        for (const TXMLToken& token : tokens_) {
            failing = &token;
            const std::string_view text = token.text;
            switch (token.kind) {
            case tkStartTag:
            case tkEmptyTag: {
                TDomElement* element = doc->Make<TDomElement>(doc->InternXmlName(TagName(text)));
                const size_t tail = token.kind == tkStartTag ? 2 : 3;
                SetAttributes(element, text.substr(1, text.size() - tail), scratch, true);
                // Inside an element every kind is accepted: only the document's children are checked.
                if (current == doc)
                    current->AppendChild(element);
                else
                    current->LinkLast(element);
                if (token.kind == tkStartTag)
                    current = element;
                break;
            }
            case tkEndTag:
                if (TDomNode* parent = current->GetParentNode())
                    current = parent;
                break;
            case tkCharData:
                if (current == doc && IsBlankThroughout(text))
                    break;
                current->AppendChild(doc->CreateTextNode(WidenInto(wide, text)));
                break;
            case tkComment:
                current->AppendChild(doc->CreateComment(Widen(text.size() >= 7 ? text.substr(4, text.size() - 7) : kNoText)));
                break;
            case tkCData:
                current->AppendChild(doc->CreateCDATASection(Widen(text.substr(9, text.size() - 12))));
                break;
            case tkEntityRef:
                current->AppendChild(doc->CreateEntityReference(WidenInto(wide, text.substr(1, text.size() - 2))));
                break;
            default:
                break;  // declarations and processing instructions are not kept
            }
        }
    } catch (...) {
        if (failing && source_)
            errorAt_ = static_cast<size_t>(failing->text.data() - source_->data());
        throw;
    }
    return document;
}

// ---------------------------------------------------------------------------------------------
// Free functions

uint8_t DetectEncoding(std::string_view head)
{
    head = head.substr(0, 100);
    if (StartsWith(head, "\xEF\xBB\xBF"))
        return 1;
    if (StartsWith(head, "\xFF\xFE"))
        return 2;
    if (StartsWith(head, "\xFE\xFF"))
        return 3;
    if (head.find("<?xml") == npos)
        return 0;
    if (head.find("encoding") == npos)
        return 1;
    std::string declaration(head.substr(0, head.find("?>")));
    for (char& c : declaration)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    static constexpr std::string_view kNames[] = {"SHIFT_JIS", "UTF-8", "UTF-16", "UTF-16"};
    for (uint8_t i = 0; i < 4; ++i)
        if (declaration.find(kNames[i]) != npos)
            return i;
    return 0;
}

uint8_t DetectEncoding(const std::filesystem::path& fileName)
{
    size_t size = 0;
    const TFileHandle fd = OpenForReading(fileName, size);
    char head[100];
    return DetectEncoding(std::string_view(head, ReadFull(fd.Get(), head, sizeof head, fileName)));
}

std::string DecodeSceneBytes(std::string_view bytes, uint8_t code)
{
    return Decode(std::string(bytes), code);
}

void ParseAttributes(TDomElement* element, std::string_view inner)
{
    TAttributeScratch scratch;
    SetAttributes(element, inner, scratch, false);
}

namespace {

void SetAttributes(TDomElement* element, std::string_view inner, TAttributeScratch& scratch, bool keepView)
{
    const size_t n = inner.size();
    size_t i = 0;
    while (i < n && !IsBlank(inner[i]))
        ++i;
    while (i < n && IsBlank(inner[i]))
        ++i;
    if (i >= n)
        return;
    std::vector<std::string_view>& parts = scratch.parts;
    parts.clear();
    size_t start = i;
    auto skipBlanks = [&] {
        while (i < n && IsBlank(inner[i]))
            ++i;
        start = i;
    };
    while (i < n) {
        const char c = inner[i];
        if (IsBlank(c)) {
            parts.push_back(inner.substr(start, i + 1 - start));
            ++i;
            skipBlanks();
        } else if (c == '"' || c == '\'') {
            const size_t close = inner.find(c, i + 1);
            if (close == npos)
                break;
            parts.push_back(inner.substr(start, close + 1 - start));
            i = close + 1;
            skipBlanks();
        } else if (c == '=') {
            const std::string_view name = inner.substr(start, i - start);
            if (!IsBlankThroughout(name))
                parts.push_back(name);
            parts.push_back(inner.substr(i, 1));
            ++i;
            skipBlanks();
        } else {
            ++i;
        }
    }
    if (parts.size() % 3 != 0)
        Fail("Incorrect attribute: ", inner);
    for (size_t k = 0; k < parts.size(); ++k) {
        const char first = parts[k].empty() ? '\0' : parts[k][0];
        bool ok;
        switch (k % 3) {
        case 0: ok = first != '"' && first != '='; break;
        case 1: ok = first == '='; break;
        default: ok = first == '"' || first == '\''; break;
        }
        if (!ok)
            Fail("Incorrect attribute: ", inner);
    }
    element->ReserveAttributes(static_cast<int>(parts.size() / 3));
    for (size_t k = 0; k < parts.size(); k += 3) {
        const std::string_view value = parts[k + 2].substr(1, parts[k + 2].size() - 2);
        element->SetAttributeText(TrimBlanks(parts[k]), value, keepView);
    }
}

} // namespace

} // namespace kelvane
