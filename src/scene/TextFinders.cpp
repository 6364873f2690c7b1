#include "scene/TextFinders.h"

#include <algorithm>
#include <cstring>

namespace kelvane {

namespace {
constexpr size_t npos = std::string_view::npos;
} // namespace

// First occurrence of pattern starting in [start, stop), found by memchr on one of its bytes.
size_t SearchForward(std::string_view text, std::string_view pattern, size_t anchor, size_t start,
                     size_t stop)
{
    const size_t m = pattern.size();
    if (text.size() < m)
        return npos;
    stop = std::min(stop, text.size() - m + 1);
    const char key = pattern[anchor];
    const char* base = text.data();
    size_t at = start;
    while (at < stop) {
        const void* hit = std::memchr(base + at + anchor, key, stop - at);
        if (!hit)
            return npos;
        const size_t s = static_cast<size_t>(static_cast<const char*>(hit) - base) - anchor;
        if (std::memcmp(base + s, pattern.data(), m) == 0)
            return s;
        at = s + 1;
    }
    return npos;
}

// Last occurrence of pattern lying wholly in [0, end), found by memrchr on its last byte.
size_t SearchBackward(std::string_view text, std::string_view pattern, size_t end)
{
    const size_t m = pattern.size();
    end = std::min(end, text.size());
    const char key = pattern[m - 1];
    const char* base = text.data();
    size_t limit = end;  // the pattern's last byte lies before limit
    while (limit >= m) {
        const void* hit = ::memrchr(base + m - 1, key, limit - (m - 1));
        if (!hit)
            return npos;
        const size_t last = static_cast<size_t>(static_cast<const char*>(hit) - base);
        const size_t s = last + 1 - m;
        if (std::memcmp(base + s, pattern.data(), m) == 0)
            return s;
        limit = last;
    }
    return npos;
}

} // namespace kelvane
