#pragma once
// The regrouping as nine plain passes: each kind searches the text the kinds before it left and
// the text left is rebuilt after each kind. The writer's regrouping must give the same text.
#include <string>
#include <string_view>

#include "scene/SceneWriter.h"

namespace kelvane::test {

inline std::string ReferenceReorderScene(std::string_view text)
{
    constexpr size_t npos = std::string_view::npos;
    const auto endsName = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '>' || c == '/'; };
    const auto tagEnd = [](const std::string& t, size_t from) {
        const size_t at = t.find('>', from);
        return at == npos ? npos : at + 1;
    };
    std::string result = "<scene>";
    std::string current(text);
    for (const char* kind : {"texture", "shader", "transform", "object", "light", "camera", "background", "filter",
                             "render"}) {
        const std::string open = std::string("<") + kind, close = std::string("</") + kind + ">";
        const auto exact = [&](const std::string& t, size_t at) {
            return t.compare(at, open.size(), open) == 0 && at + open.size() < t.size() && endsName(t[at + open.size()]);
        };
        const auto elementEnd = [&](const std::string& t, size_t start) -> size_t {
            if (!exact(t, start))
                return (start = t.find(close, start)) == npos ? npos : start + close.size();
            size_t pos = tagEnd(t, start + 1);
            if (pos == npos || t[pos - 2] == '/')
                return pos;
            for (int depth = 1; (pos = t.find('<', pos)) != npos;) {
                if (t.compare(pos, close.size(), close) == 0) {
                    pos += close.size();
                    if (--depth == 0)
                        return pos;
                } else if (exact(t, pos)) {
                    if ((pos = tagEnd(t, pos + 1)) == npos)
                        return npos;
                    depth += t[pos - 2] != '/';
                } else {
                    ++pos;
                }
            }
            return npos;
        };
        std::string rest;
        size_t pos = 0, kept = 0;
        while ((pos = current.find(open, pos)) != npos) {
            const size_t end = elementEnd(current, pos);
            if (end == npos) {
                ++pos;
                continue;
            }
            result += "\r\n       " + current.substr(pos, end - pos);
            rest += current.substr(kept, pos - kept);
            kept = pos = end;
        }
        current = rest + current.substr(kept);
    }
    return result + OtherSceneItems(current) + "\r\n</scene>";
}

} // namespace kelvane::test
