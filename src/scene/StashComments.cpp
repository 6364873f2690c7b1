#include "scene/StashComments.h"

#include <algorithm>
#include <cstring>

#include "scene/TextFinders.h"

namespace kelvane {

namespace {

constexpr size_t npos = std::string_view::npos;
constexpr std::string_view kCommentStart = "<!--";
constexpr std::string_view kCommentEnd = "-->";

// Where the comment marker whose "-->" is at x begins, or npos.
size_t MarkerEndingAt(std::string_view t, size_t x)
{
    size_t d = x;
    while (d > 0 && x - d < 20 && t[d - 1] >= '0' && t[d - 1] <= '9')
        --d;
    if (d == x || d < kCommentMark.size() || t.substr(d - kCommentMark.size(), kCommentMark.size()) != kCommentMark)
        return npos;
    return d - kCommentMark.size();
}

} // namespace

// The text is t[0..r) followed by t[w..n): the part already passed (with a short tail that later
// deletions may still touch) and the untouched rest, which the finders search.
std::vector<TTextSpan> RemoveComments(std::string& text)
{
    std::vector<TTextSpan> kept;
    if (text.find(kCommentStart) == npos)
        return kept;
    std::string& t = text;
    const size_t n = t.size();
    const std::string_view original(t);
    TForwardFinder starts(original, kCommentStart, 1);
    TForwardFinder lessThan(original, "<", 0);
    TForwardFinder ends(original, kCommentEnd, 0);
    size_t r = 0, w = 0;
    auto size = [&] { return r + (n - w); };
    auto at = [&](size_t v) -> int {
        if (v < r)
            return static_cast<unsigned char>(t[v]);
        const size_t i = w + (v - r);
        return i < n ? static_cast<unsigned char>(t[i]) : -1;
    };
    auto matchesStart = [&](size_t v) {
        return at(v) == '<' && at(v + 1) == '!' && at(v + 2) == '-' && at(v + 3) == '-';
    };
    auto toVirtual = [&](size_t i) { return r + (i - w); };
    auto toIndex = [&](size_t v) { return w + (v - r); };
    auto erase = [&](size_t a, size_t b) {
        b = std::min(b, size());
        if (a >= r) {
            const size_t k = a - r;
            std::memmove(t.data() + r, t.data() + w, k);
            r += k;
            w += k + (b - a);
        } else if (b <= r) {
            std::memmove(t.data() + a, t.data() + b, r - b);
            r -= b - a;
        } else {
            w += b - r;
            r = a;
        }
    };
    bool afterCut = false;
    size_t join = 0;  // where the last deletion closed the text
    for (;;) {
        size_t s = npos;
        if (afterCut)
            for (size_t back = 3; back >= 1 && s == npos; --back)
                if (join >= back && matchesStart(join - back))
                    s = join - back;
        if (s == npos) {
            const size_t i = starts.Find(w);
            if (i == npos)
                break;
            s = toVirtual(i);
        }
        const size_t from = toIndex(s + 4);  // S + 4 always lies in the untouched rest
        const size_t lt = lessThan.Find(from);
        const size_t close = ends.Find(from);
        const size_t L = lt == npos ? 0 : toVirtual(lt) - s;
        const size_t E = close == npos ? 0 : toVirtual(close) - s;
        if (L > 0 && E > L) {
            // Markup put out of use: the comment stays as it is, and the search goes on after it.
            // Nothing before its end is deleted later, so its place is final.
            const size_t end = s + E + 3;
            erase(end, end);
            kept.push_back({s, end});
            afterCut = false;
            continue;
        }
        erase(s, s + E + 3);  // the whole comment, or only "<!-" when it never ends
        join = s;
        afterCut = true;
    }
    std::memmove(t.data() + r, t.data() + w, n - w);
    t.resize(r + (n - w));
    return kept;
}

// Right to left: the text is t[0..r) (untouched, searched by the finders) followed by t[w..n).
void RemoveStrayCommentEnds(std::string& text)
{
    if (text.find(kCommentEnd) == npos)
        return;
    std::string& t = text;
    const size_t n = t.size();
    const std::string_view original(t);
    TBackwardFinder ends(original, kCommentEnd);
    TBackwardFinder greater(original, ">");
    size_t r = n, w = n;
    auto size = [&] { return r + (n - w); };
    auto at = [&](size_t v) -> int {
        if (v < r)
            return static_cast<unsigned char>(t[v]);
        const size_t i = w + (v - r);
        return i < n ? static_cast<unsigned char>(t[i]) : -1;
    };
    auto matchesEnd = [&](size_t v) { return at(v) == '-' && at(v + 1) == '-' && at(v + 2) == '>'; };
    auto erase = [&](size_t a, size_t b) {
        b = std::min(b, size());
        if (b <= r) {
            const size_t k = r - b;
            std::memmove(t.data() + w - k, t.data() + b, k);
            w -= k;
            r = a;
        } else if (a >= r) {
            const size_t k = a - r;
            std::memmove(t.data() + w + (b - a), t.data() + w, k);
            w += b - a;
        } else {
            w += b - r;
            r = a;
        }
    };
    size_t limit = n;  // occurrences wholly before limit are untouched text
    bool afterCut = false;
    size_t join = 0;
    for (;;) {
        size_t x = npos;
        if (afterCut) {
            if (join >= 1 && matchesEnd(join - 1))
                x = join - 1;
            else if (join >= 2 && matchesEnd(join - 2))
                x = join - 2;
        }
        if (x == npos) {
            x = ends.FindLast(limit);
            if (x == npos)
                break;
            if (const size_t mark = MarkerEndingAt(original, x); mark != npos) {
                limit = mark;  // a kept comment's marker: not a stray end
                afterCut = false;
                continue;
            }
        }
        const size_t g = greater.FindLast(x);
        if (g == npos) {
            // No '>' before it: only the "-->" goes.
            erase(x, x + 3);
            join = x;
            limit = x;
        } else {
            erase(g + 3, x + 3);
            join = g + 3;
            limit = g + 1;
        }
        afterCut = true;
    }
    std::memmove(t.data() + r, t.data() + w, n - w);
    t.resize(r + (n - w));
}

void EmptyBlankValues(std::string& text)
{
    size_t i = text.find("\" \"");
    if (i == npos)
        return;
    // Deleting one such space never makes or breaks another, so each goes in one sweep.
    char* p = text.data();
    const size_t n = text.size();
    size_t w = i + 1;
    char prev = '"';
    for (i = i + 1; i < n; ++i) {
        const char c = p[i];
        if (!(c == ' ' && prev == '"' && i + 1 < n && p[i + 1] == '"'))
            p[w++] = c;
        prev = c;
    }
    text.resize(w);
}

} // namespace kelvane
