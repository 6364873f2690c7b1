#pragma once
// A slow, literal version of the mesh stash and its restore steps: every pass searches the whole
// current text afresh and edits it with insert and erase. The fast stash must give the same
// results. Where the passes as written would not end, this version does what the stash does:
// - "<points" is paired with the first "</faces>" after it; the passes stop when there is none;
// - a transform start tag without '>' runs to the end of the text; with no "</transform>" left,
//   no end tag is renamed;
// - with no '<' after a comment start, the comment goes through its "-->", or "<!-" goes;
// - a comment that holds a '<' before its "-->" is kept whole; a marker takes its place, and the
//   transforms and stray comment ends are looked for after that, the markers left alone;
// - a stray "-->" with no '>' before it goes alone;
// - restored entries are never searched for placeholders again;
// - an emptied transform written as `<fake_transform trns="n"/>` gets tag n and "</transform>"
//   and renames no end tag;
// - a transform tag goes back where its placeholder was, also when the end tag renamed in that
//   pass lay before it (the text before it is then 5 characters shorter).
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scene/Errors.h"
#include "scene/NumFormat.h"

namespace kelvane::test {

struct TReferenceStash {
    std::vector<std::string> meshes;
    std::vector<std::string> transforms;
    std::vector<std::string> comments;

    static std::string CommentMarker(size_t n) { return "<!--fake_comment " + std::to_string(n) + "-->"; }

    // Where the marker whose "-->" is at x begins, or npos.
    size_t MarkerEndingAt(const std::string& t, size_t x) const
    {
        for (size_t n = 0; n < comments.size(); ++n) {
            const std::string marker = CommentMarker(n);
            if (marker.size() <= x + 3 && t.compare(x + 3 - marker.size(), marker.size(), marker) == 0)
                return x + 3 - marker.size();
        }
        return std::string::npos;
    }

    std::string StashText(std::string t)
    {
        constexpr size_t npos = std::string::npos;
        meshes.clear();
        transforms.clear();
        comments.clear();
        for (size_t n = 0;; ++n) {
            const size_t p = t.find("<points");
            if (p == npos)
                break;
            const size_t f = t.find("</faces>", p);
            if (f == npos)
                break;
            const std::string block = t.substr(p, f - p + 9);
            meshes.push_back(block);
            const std::string mark = "<fake_mesh mesh=\"" + std::to_string(n) + "\" />";
            t.insert(p == 0 ? 0 : p - 1, mark);
            t.erase(t.find("<points"), block.size());
        }
        for (size_t from = 0;;) {
            const size_t s = t.find("<!--", from);
            if (s == npos)
                break;
            const size_t e = t.find("-->", s + 4);
            const size_t l = t.find('<', s + 4);
            const size_t E = e == npos ? 0 : e - s;
            const size_t L = l == npos ? 0 : l - s;
            if (L > 0 && E > L) {
                const std::string marker = CommentMarker(comments.size());
                comments.push_back(t.substr(s, E + 3));
                t.replace(s, E + 3, marker);
                from = s + marker.size();
            } else {
                t.erase(s, E + 3);
            }
        }
        for (size_t n = 0;; ++n) {
            const size_t p = t.find("<transform");
            if (p == npos)
                break;
            const size_t g = t.find('>', p);
            const std::string tag = g == npos ? t.substr(p) : t.substr(p, g - p + 1);
            transforms.push_back(tag);
            t.erase(p, tag.size());
            t.insert(p, "<fake_transform trns=\"" + std::to_string(n) + "\">");
            const size_t e = t.find("</transform>");
            if (e != npos)
                t.insert(e + 2, "fake_");
        }
        for (;;) {
            size_t x = t.rfind("-->");
            for (size_t mark; x != npos && (mark = MarkerEndingAt(t, x)) != npos;)
                x = mark < 3 ? npos : t.rfind("-->", mark - 3);
            if (x == npos)
                break;
            const size_t g = x == 0 ? npos : t.rfind('>', x - 1);
            if (g == npos)
                t.erase(x, 3);
            else
                t.erase(g + 3, x - g);
        }
        for (size_t i; (i = t.find("\" \"")) != npos;)
            t.erase(i + 1, 1);
        return t;
    }

    // Text with a mark per character: 1 where a restored entry stands.
    struct TMarked {
        std::string text, restored;
        size_t Find(std::string_view what, size_t from = 0) const
        {
            for (size_t i = text.find(what, from); i != std::string::npos; i = text.find(what, i + 1))
                if (restored.find('\1', i) >= i + what.size())
                    return i;
            return std::string::npos;
        }
        void Erase(size_t at, size_t count)
        {
            text.erase(at, count);
            restored.erase(at, count);
        }
        void Insert(size_t at, std::string_view what)
        {
            text.insert(at, what);
            restored.insert(at, std::string(what.size(), '\1'));
        }
    };

    static int64_t Number(const std::string& t, size_t quote)
    {
        const size_t close = t.find('"', quote + 1);
        const std::string number = close == std::string::npos ? "" : t.substr(quote + 1, close - quote - 1);
        int64_t v = 0;
        if (!TryStrToInt64(number, v, false))
            throw EConvertError("'" + number + "' is not a valid integer value");
        return v;
    }

    template <class List>
    static const std::string& Entry(const List& list, int64_t n)
    {
        if (n < 0 || n >= static_cast<int64_t>(list.size()))
            throw EListError(n);
        return list[static_cast<size_t>(n)];
    }

    std::string RestoreTransforms(std::string_view text) const
    {
        TMarked m{std::string(text), std::string(text.size(), '\0')};
        for (;;) {
            const size_t p = m.Find("<fake_transform trns=\"");
            if (p == std::string::npos)
                break;
            const int64_t n = Number(m.text, p + 21);
            const size_t digits = std::to_string(n).size();
            if (m.text.compare(p + 22 + digits, 3, "\"/>") == 0) {
                m.Erase(p, 25 + digits);
                m.Insert(p, Entry(transforms, n) + "</transform>");
                continue;
            }
            m.Erase(p, 25 + digits);
            const size_t e = m.Find("</fake_transform>");
            if (e != std::string::npos)
                m.Erase(e + 2, 5);
            // The tag goes where the placeholder was, also when the renamed end tag lay before it.
            size_t before = 0;
            if (e != std::string::npos && e + 2 < p)
                before = std::min<size_t>(5, p - (e + 2));
            m.Insert(p - before, Entry(transforms, n));
        }
        return m.text;
    }

    // The first comment marker with an entry, not restored, or npos.
    size_t FindCommentMarker(const TMarked& m, size_t& length, std::string& comment) const
    {
        for (size_t c = m.Find("<!--fake_comment "); c != std::string::npos; c = m.Find("<!--fake_comment ", c + 1)) {
            for (size_t n = 0; n < comments.size(); ++n) {
                const std::string marker = CommentMarker(n);
                if (m.text.compare(c, marker.size(), marker) == 0) {
                    TReferenceStash inner;
                    inner.meshes = meshes;
                    comment = inner.RestoreMeshes(comments[n]);
                    length = marker.size();
                    return c;
                }
            }
        }
        return std::string::npos;
    }

    std::string RestoreMeshes(std::string_view text) const
    {
        TMarked m{std::string(text), std::string(text.size(), '\0')};
        for (;;) {
            const size_t p = m.Find("<fake_mesh mesh=\"");
            size_t length = 0;
            std::string comment;
            const size_t c = FindCommentMarker(m, length, comment);
            if (c != std::string::npos && (p == std::string::npos || c < p)) {
                m.Erase(c, length);
                m.Insert(c, comment);
                continue;
            }
            if (p == std::string::npos)
                break;
            const int64_t n = Number(m.text, p + 16);
            m.Erase(p, 21 + std::to_string(n).size());
            m.Insert(p, Entry(meshes, n));
        }
        return m.text;
    }
};

} // namespace kelvane::test
