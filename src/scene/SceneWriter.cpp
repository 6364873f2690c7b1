#include "scene/SceneWriter.h"

#include "scene/FileIO.h"
#include "scene/MeshStash.h"
#include "scene/SceneText.h"
#include "scene/WorkingElement.h"
#include "scene/skDom.h"
#include "scene/WorkTick.h"

namespace kelvane {

namespace {

constexpr std::string_view kKindOrder[] = {"texture", "shader",     "transform", "object", "light",
                                           "camera",  "background", "filter",    "render"};
constexpr std::string_view kItemLead = "\r\n       ";
constexpr size_t npos = std::string_view::npos;

bool EndsName(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '>' || c == '/';
}

// Position just past the first '>' at or after from (quotes are not looked at, as the reader
// does not look at them either).
size_t TagEnd(std::string_view text, size_t from)
{
    const size_t at = text.find('>', from);
    return at == npos ? npos : at + 1;
}

bool IsExactStart(std::string_view text, size_t at, std::string_view open)
{
    return text.compare(at, open.size(), open) == 0 && at + open.size() < text.size() &&
           EndsName(text[at + open.size()]);
}

// End (exclusive) of the element of this kind starting at start, or npos.
size_t ElementEnd(std::string_view text, size_t start, std::string_view open, std::string_view close)
{
    if (!IsExactStart(text, start, open))
        return (start = text.find(close, start)) == npos ? npos : start + close.size();
    size_t pos = TagEnd(text, start + 1);
    if (pos == npos)
        return npos;
    if (text[pos - 2] == '/')
        return pos;
    int depth = 1;
    while ((pos = text.find('<', pos)) != npos) {
        if (text.compare(pos, close.size(), close) == 0) {
            pos += close.size();
            if (--depth == 0)
                return pos;
        } else if (IsExactStart(text, pos, open)) {
            const size_t end = TagEnd(text, pos + 1);
            if (end == npos)
                return npos;
            if (text[end - 2] != '/')
                ++depth;
            pos = end;
        } else {
            ++pos;
        }
    }
    return npos;
}

} // namespace

std::string ReorderScene(std::string_view text)
{
    std::string result;
    ReserveLargeText(result, text.size() + text.size() / 8 + 32);
    result = "<scene>";
    // What is left after each kind; the first kind taken reads the given text itself.
    std::string_view current = text;
    std::string left, rest;
    for (std::string_view kind : kKindOrder) {
        std::string open = "<";
        open += kind;
        std::string close = "</";
        close += kind;
        close += '>';
        size_t pos = 0, kept = 0;
        bool taken = false;
        while ((pos = current.find(open, pos)) != npos) {
            const size_t end = ElementEnd(current, pos, open, close);
            if (end == npos) {
                ++pos;
                continue;
            }
            if (!taken) {
                rest.clear();
                if (rest.capacity() < current.size())
                    ReserveLargeText(rest, current.size());
                taken = true;
            }
            result += kItemLead;
            result.append(current, pos, end - pos);
            rest.append(current, kept, pos - kept);
            kept = pos = end;
        }
        if (taken) {
            rest.append(current, kept, npos);
            left.swap(rest);
            current = left;
        }
    }
    result += "\r\n</scene>";
    return result;
}

std::string SceneTreeText(const TDomDocument& document, const TNameValueList& presence,
                          const std::vector<WideString>& leftOut)
{
    // Scene trees write about 75 bytes a node (attributes are not nodes); reserving a little
    // more spares the text its regrowth.
    std::string text;
    ReserveLargeText(text, document.OwnedNodeCount() * 96 + 64);
    if (leftOut.empty()) {
        AppendXmlUtf8(text, document, 7, 7);
        return text;
    }
    // The removals are made in a copy, so the open scene keeps every element.
    std::unique_ptr<TDomDocument> copy = document.CloneDocument(true);
    TWorkingElement working(presence);
    working.SetDocument(copy.get());
    constexpr WideView separator = u" -- ";
    for (const WideString& row : leftOut) {
        const size_t at = row.find(separator);
        const WideString kind = at == WideString::npos ? row : row.substr(0, at);
        const WideString name = at == WideString::npos ? WideString() : row.substr(at + separator.size());
        if (kind == u"render")
            continue;
        working.BeginEdit(kind, name);
        working.MarkDeleted(u"name", name);
        if (kind == u"light") {
            for (const char16_t* part : {u".light", u".diffuse", u".caustic"})
                working.MarkDeleted(u"name", name + part);
        } else if (kind == u"filter") {
            working.MarkDeleted(u"name", u"dof");
            working.MarkDeleted(u"name", u"an");
        }
        working.CommitEdit();
    }
    AppendXmlUtf8(text, *copy, 7, 7);
    return text;
}

void WriteSceneFile(const TDomDocument& document, const TNameValueList& presence,
                    const std::vector<WideString>& leftOut, const TMeshStash& stash,
                    const std::filesystem::path& target)
{
    std::string text = SceneTreeText(document, presence, leftOut);
    WorkTick();
    text = stash.RestoreTransforms(text);
    WorkTick();
    text = ReorderScene(text);
    WorkTick();
    TAtomicFileWriter out(target);
    stash.RestoreMeshes(text, out);
    WorkTick();
    out.Write("\r\n");
    out.Commit();
}

} // namespace kelvane
