#include "scene/MeshStash.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "scene/Errors.h"
#include "scene/FileIO.h"
#include "scene/NumFormat.h"
#include "scene/SceneReading.h"
#include "scene/skParser.h"

namespace kelvane {

namespace {

constexpr size_t npos = std::string_view::npos;

constexpr std::string_view kPoints = "<points";
constexpr std::string_view kFacesEnd = "</faces>";
constexpr std::string_view kTransform = "<transform";
constexpr std::string_view kTransformEnd = "</transform>";
constexpr std::string_view kFakeTransformEnd = "</fake_transform>";
constexpr std::string_view kCommentStart = "<!--";
constexpr std::string_view kCommentEnd = "-->";
constexpr std::string_view kMeshMark = "<fake_mesh mesh=\"";
constexpr std::string_view kTransformMark = "<fake_transform trns=\"";
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// ---------------------------------------------------------------------------------------------
// Searching

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

// Repeated first-occurrence searches in an unchanging text from (mostly) advancing positions.
// The last answer is kept, so every byte is looked at about once however often it is asked.
class TForwardFinder {
public:
    TForwardFinder(std::string_view text, std::string_view pattern, size_t anchor)
        : text_(text), pattern_(pattern), anchor_(anchor) {}

    size_t Find(size_t start)
    {
        if (from_ != npos) {
            if (start >= from_) {
                if (at_ == npos || at_ >= start)
                    return at_;
            } else {
                // A small step back: only the bytes before the old start are new.
                const size_t hit = SearchForward(text_, pattern_, anchor_, start, from_);
                from_ = start;
                if (hit != npos)
                    at_ = hit;
                return at_;
            }
        }
        from_ = start;
        at_ = SearchForward(text_, pattern_, anchor_, start, npos);
        return at_;
    }

private:
    std::string_view text_, pattern_;
    size_t anchor_;
    size_t from_ = npos;
    size_t at_ = npos;
};

// Repeated last-occurrence searches in an unchanging text with shrinking ends.
class TBackwardFinder {
public:
    TBackwardFinder(std::string_view text, std::string_view pattern) : text_(text), pattern_(pattern) {}

    // Last occurrence lying wholly in [0, end).
    size_t FindLast(size_t end)
    {
        if (to_ != npos && end <= to_ && (at_ == npos || at_ + pattern_.size() <= end))
            return at_;
        to_ = end;
        at_ = SearchBackward(text_, pattern_, end);
        return at_;
    }

private:
    std::string_view text_, pattern_;
    size_t to_ = npos;
    size_t at_ = npos;
};

// ---------------------------------------------------------------------------------------------
// Reading

std::string Quoted(const fs::path& file)
{
    return "\"" + file.string() + "\"";
}

[[noreturn]] void FailFile(const char* what, const fs::path& file, int err)
{
    throw EFileError(std::string(what) + " " + Quoted(file) + ". " + std::strerror(err));
}

// ---------------------------------------------------------------------------------------------
// Writing "~Fake.tmp"

void WriteAll(int fd, std::string_view bytes, const fs::path& file)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            ::unlink(file.c_str());
            FailFile("Cannot write file", file, err);
        }
        done += static_cast<size_t>(n);
    }
}

void WriteFakeFile(const fs::path& file, bool mark, std::string_view text)
{
    // A fresh file, never through a link left under that name.
    DeleteFileIfExists(file);
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        FailFile("Cannot create file", file, errno);
    if (mark)
        WriteAll(fd, kUtf8Mark, file);
    WriteAll(fd, text, file);
    WriteAll(fd, "\r\n", file);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(file.c_str());
        FailFile("Cannot write file", file, err);
    }
}

// ---------------------------------------------------------------------------------------------
// Placeholders

void AppendNumber(std::string& out, size_t n)
{
    char digits[24];
    const int len = std::snprintf(digits, sizeof digits, "%zu", n);
    out.append(digits, static_cast<size_t>(len));
}

std::string MeshPlaceholder(size_t n)
{
    std::string s(kMeshMark);
    AppendNumber(s, n);
    s += "\" />";
    return s;
}

void AppendTransformPlaceholder(std::string& out, size_t n)
{
    out += kTransformMark;
    AppendNumber(out, n);
    out += "\">";
}

// The placeholder number that starts at `at` and runs to the next double quote (none: an empty
// text). Returns the number and the length of its decimal form. The message of a bad number
// shows the first `renamed` end tags in it as earlier passes left them.
int64_t PlaceholderNumber(std::string_view text, size_t at, size_t& digits, size_t renamed = 0)
{
    const size_t close = at <= text.size() ? text.find('"', at) : npos;
    const std::string_view number = close == npos ? std::string_view() : text.substr(at, close - at);
    int64_t value = 0;
    if (!TryStrToInt64(number, value, false)) {
        std::string shown(number);
        for (size_t i = 0; renamed > 0 && (i = shown.find(kFakeTransformEnd, i)) != npos; --renamed)
            shown.erase(i + 2, 5);
        throw EConvertError("'" + shown + "' is not a valid integer value");
    }
    digits = std::to_string(value).size();
    return value;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TMeshStash

TMeshStash::TMeshStash() = default;
TMeshStash::~TMeshStash() = default;
TMeshStash::TMeshStash(TMeshStash&&) noexcept = default;
TMeshStash& TMeshStash::operator=(TMeshStash&&) noexcept = default;

void TMeshStash::Clear()
{
    *this = TMeshStash();
}

std::string_view TMeshStash::View(const TPiece& piece) const
{
    return std::string_view(piece.owned ? owned_ : text_).substr(piece.offset, piece.length);
}

std::string_view TMeshStash::Mesh(size_t n) const
{
    if (n >= meshes_.size())
        throw EListError(static_cast<long long>(n));
    return View(meshes_[n]);
}

std::string_view TMeshStash::Transform(size_t n) const
{
    if (n >= transforms_.size())
        throw EListError(static_cast<long long>(n));
    return View(transforms_[n]);
}

bool TMeshStash::StashMeshes(const fs::path& sceneFile, const fs::path& fakeFile)
{
    std::error_code ec;
    if (!fs::exists(sceneFile, ec))
        return false;
    TSceneText scene = ReadSceneText(sceneFile);
    TMeshStash fresh;
    const std::string shortened = fresh.StashText(std::move(scene.text));
    WriteFakeFile(fakeFile, scene.transcoded, shortened);
    *this = std::move(fresh);
    return true;
}

std::string TMeshStash::StashText(std::string text)
{
    TMeshStash fresh;
    std::string shortened;
    fresh.CutMeshes(text, shortened);
    size_t meshBytes = 0;
    for (const TPiece& piece : fresh.meshes_)
        meshBytes += piece.owned ? 0 : piece.length;
    if (fresh.meshes_.empty()) {
        shortened = std::move(text);  // nothing was cut: the text itself is the result
    } else if (meshBytes < text.size() / 2) {
        // The blocks are the smaller part: keep copies rather than the whole text.
        fresh.owned_.reserve(fresh.owned_.size() + meshBytes);
        for (TPiece& piece : fresh.meshes_) {
            if (piece.owned)
                continue;
            const size_t at = fresh.owned_.size();
            fresh.owned_.append(text, piece.offset, piece.length);
            piece = TPiece{at, piece.length, true};
        }
        std::string().swap(text);
    } else {
        fresh.text_ = std::move(text);
    }
    shortened = fresh.CutTransforms(std::move(shortened));
    RemoveComments(shortened);
    RemoveStrayCommentEnds(shortened);
    EmptyBlankValues(shortened);
    *this = std::move(fresh);
    return shortened;
}

// Each "<points" is paired with the first "</faces>" after it; the block through the character
// after "</faces>" is cut and the placeholder goes in before the character that preceded
// "<points". The current text is out followed by text[r..]; the character kept after a cut ends
// out and can begin a new "<points" or "</faces>" with what follows. A "</faces>" with no
// "<points" before it is left in the text.
void TMeshStash::CutMeshes(std::string& text, std::string& out)
{
    const std::string_view t(text);
    const size_t n = t.size();
    TForwardFinder points(t, kPoints, 6);
    TForwardFinder facesEnd(t, kFacesEnd, 6);
    size_t r = 0;
    bool afterCut = false;
    for (;;) {
        const size_t f = facesEnd.Find(r);
        if (f == npos)
            break;
        if (afterCut && !out.empty() && out.back() == '<') {
            if (t.substr(r, 6) == "points") {
                // "<points" begins with the kept character; its block is not one piece of text.
                const size_t end = std::min(n, f + 9);
                TPiece piece{owned_.size(), end - r + 1, true};
                owned_ += '<';
                owned_.append(t.substr(r, end - r));
                out.pop_back();
                const std::string mark = MeshPlaceholder(meshes_.size());
                meshes_.push_back(piece);
                out.insert(out.empty() ? 0 : out.size() - 1, mark);
                r = end;
                continue;
            }
            if (t.substr(r, 7) == "/faces>") {
                out.append(t.substr(r, 7));
                r += 7;
                afterCut = false;
                continue;
            }
        }
        const size_t p = points.Find(r);
        if (p == npos)
            break;
        if (f < p) {
            out.append(t.substr(r, f + 8 - r));
            r = f + 8;
            afterCut = false;
            continue;
        }
        const size_t end = std::min(n, f + 9);
        const std::string mark = MeshPlaceholder(meshes_.size());
        meshes_.push_back(TPiece{p, end - p, false});
        if (p > r) {
            out.append(t.substr(r, p - 1 - r));
            out += mark;
            out += t[p - 1];
        } else {
            out.insert(out.empty() ? 0 : out.size() - 1, mark);
        }
        r = end;
        afterCut = true;
    }
    if (!meshes_.empty())
        out.append(t.substr(r));
}

// Transform start tags run from "<transform" through the first '>' (to the end of the text when
// there is none). Pass k turns the first "</transform>" still unchanged into "</fake_transform>";
// an end tag that lies inside a later start tag is turned first only if enough passes come before
// that tag is cut, else it leaves with the tag.
std::string TMeshStash::CutTransforms(std::string text)
{
    const std::string_view a(text);
    const size_t n = a.size();
    struct TSpan {
        size_t begin, end;
    };
    std::vector<TSpan> spans;
    for (size_t pos = 0;;) {
        const size_t s = a.find(kTransform, pos);
        if (s == npos)
            break;
        const size_t g = a.find('>', s);
        const size_t end = g == npos ? n : g + 1;
        spans.push_back({s, end});
        pos = end;
    }
    if (spans.empty())
        return text;

    // End tags in text order and whether each is turned.
    std::vector<size_t> ends;
    for (size_t pos = a.find(kTransformEnd); pos != npos; pos = a.find(kTransformEnd, pos + 1))
        ends.push_back(pos);
    std::vector<char> turned(ends.size(), 0);
    const size_t total = spans.size();
    size_t rank = 0;  // end tags still in the text so far
    size_t j = 0;
    size_t growth = total * 32;
    for (size_t i = 0; i < ends.size(); ++i) {
        const size_t e = ends[i];
        while (j < total && spans[j].end <= e)
            ++j;
        const bool inside = j < total && spans[j].begin <= e;
        if (inside) {
            if (rank < j) {
                turned[i] = 1;
                ++rank;
            }
        } else {
            if (rank < total)
                turned[i] = 1;
            ++rank;
        }
        growth += turned[i] ? 5 : 0;
    }

    std::string out;
    out.reserve(n + growth);
    size_t ei = 0;
    auto appendTurned = [&](std::string& dst, size_t from, size_t to) {
        while (ei < ends.size() && ends[ei] < from)
            ++ei;
        for (; ei < ends.size() && ends[ei] < to; ++ei) {
            dst.append(a.substr(from, ends[ei] - from));
            dst += turned[ei] ? kFakeTransformEnd : kTransformEnd;
            from = ends[ei] + kTransformEnd.size();
        }
        dst.append(a.substr(from, to - from));
    };
    size_t pos = 0;
    for (size_t k = 0; k < total; ++k) {
        appendTurned(out, pos, spans[k].begin);
        const size_t start = owned_.size();
        appendTurned(owned_, spans[k].begin, spans[k].end);
        transforms_.push_back(TPiece{start, owned_.size() - start, true});
        AppendTransformPlaceholder(out, k);
        pos = spans[k].end;
    }
    appendTurned(out, pos, n);
    return out;
}

// ---------------------------------------------------------------------------------------------
// Comments

// The text is t[0..r) followed by t[w..n): the part already passed (with a short tail that later
// deletions may still touch) and the untouched rest, which the finders search.
void RemoveComments(std::string& text)
{
    if (text.find(kCommentStart) == npos)
        return;
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
        size_t k;
        if (L > 0 && E > L)
            k = L - 2;  // the comment holds a '<': keep the two characters before it
        else
            k = E + 3;  // the whole comment, or only "<!-" when it never ends
        erase(s, s + k);
        join = s;
        afterCut = true;
    }
    std::memmove(t.data() + r, t.data() + w, n - w);
    t.resize(r + (n - w));
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

// ---------------------------------------------------------------------------------------------
// Restoring

namespace {

// Cutting a placeholder out can join the end of out with what follows into a new
// "</fake_transform>" (out ends in "</fake_", say). When it does, its "fake_" goes, from out and
// from the text after the cut (tail, then text from cur); returns whether there was one.
bool TurnJoinedEndTag(std::string& out, std::string& tail, std::string_view text, size_t& cur)
{
    const size_t m = kFakeTransformEnd.size();
    std::string right(tail);
    right.append(text.substr(std::min(cur, text.size()), m));
    for (size_t k = out.size() > m - 1 ? out.size() - (m - 1) : 0; k < out.size(); ++k) {
        const size_t inOut = out.size() - k;
        if (out.compare(k, inOut, kFakeTransformEnd.substr(0, inOut)) != 0 ||
            right.compare(0, m - inOut, kFakeTransformEnd.substr(inOut)) != 0)
            continue;
        if (inOut > 2)
            out.erase(k + 2, std::min<size_t>(7, inOut) - 2);
        // "fake_" is at offsets 2 to 6 of the end tag; the part after out loses its share.
        const size_t delFrom = inOut >= 2 ? 0 : 2 - inOut;
        const size_t delTo = inOut < 7 ? 7 - inOut : 0;
        std::string kept = right.substr(0, delFrom);
        if (tail.size() > delTo)
            kept.append(tail, delTo, npos);
        cur += delTo > tail.size() ? delTo - tail.size() : 0;
        tail = std::move(kept);
        return true;
    }
    return false;
}

} // namespace

// Placeholders are looked for only in the given text: a restored tag or block is never searched
// again, so an entry that holds placeholder text cannot make the restore loop.
std::string TMeshStash::RestoreTransforms(std::string_view text) const
{
    const size_t n = text.size();
    TForwardFinder marks(text, kTransformMark, 1);
    TForwardFinder endTags(text, kFakeTransformEnd, 2);
    std::string out;
    out.reserve(n + transforms_.size() * 64);
    std::vector<size_t> waiting;   // unchanged end tags already in out, by their place in out
    size_t waitingFirst = 0;
    std::vector<size_t> turnedInOut;  // end tags in out that later passes turned
    size_t owed = 0;  // turns owed to the next end tags ahead (no unchanged one was behind)
    size_t pos = 0;
    for (;;) {
        const size_t p = marks.Find(pos);
        const size_t e = endTags.Find(pos);
        if (e != npos && (p == npos || e < p)) {
            out.append(text.substr(pos, e - pos));
            if (owed > 0) {
                out += kTransformEnd;
                --owed;
            } else {
                waiting.push_back(out.size());
                out += kFakeTransformEnd;
            }
            pos = e + kFakeTransformEnd.size();
            continue;
        }
        if (p == npos)
            break;
        out.append(text.substr(pos, p - pos));
        size_t digits = 0;
        const int64_t index = PlaceholderNumber(text, p + kTransformMark.size(), digits, owed);
        if (index < 0 || static_cast<uint64_t>(index) >= transforms_.size())
            throw EListError(index);
        const std::string_view tag = View(transforms_[static_cast<size_t>(index)]);
        if (text.substr(p + kTransformMark.size() + digits, 3) == "\"/>") {
            // An emptied transform written as one tag: it gets its end tag back and renames none.
            out.append(tag);
            out += kTransformEnd;
            pos = p + 25 + digits;
            continue;
        }

        // Delete 25 + digits characters of the current text from p: end tags ahead already
        // turned by an owed pass are 5 characters shorter there.
        size_t left = 25 + digits;
        size_t cur = p;
        size_t ahead = owed;  // the first end tags ahead are the turned ones
        std::string tail;
        while (left > 0 && cur < n) {
            const size_t next = endTags.Find(cur);
            if (next == npos || next - cur >= left) {
                cur = std::min(n, cur + left);
                left = 0;
                break;
            }
            left -= next - cur;
            const bool isTurned = ahead > 0;
            const std::string_view form = isTurned ? kTransformEnd : kFakeTransformEnd;
            if (isTurned) {
                --ahead;
                --owed;  // that turn went to an end tag that is now cut
            }
            cur = next + kFakeTransformEnd.size();
            if (left >= form.size()) {
                left -= form.size();
            } else {
                tail.assign(form.substr(left));
                left = 0;
            }
        }
        // This pass's turn: the first unchanged end tag behind, else one that the deletion has
        // just joined together, else the next one ahead.
        if (waitingFirst < waiting.size())
            turnedInOut.push_back(waiting[waitingFirst++]);
        else if (!TurnJoinedEndTag(out, tail, text, cur))
            ++owed;
        out.append(tag);
        out.append(tail);
        pos = cur;
    }
    out.append(text.substr(pos));
    if (!turnedInOut.empty()) {
        // Take "fake_" out of the end tags turned after they were passed.
        std::sort(turnedInOut.begin(), turnedInOut.end());
        size_t w = turnedInOut[0] + 2;
        for (size_t k = 0; k < turnedInOut.size(); ++k) {
            const size_t from = turnedInOut[k] + 7;
            const size_t to = k + 1 < turnedInOut.size() ? turnedInOut[k + 1] + 2 : out.size();
            std::memmove(out.data() + w, out.data() + from, to - from);
            w += to - from;
        }
        out.resize(w);
    }
    return out;
}

template <class Sink>
void TMeshStash::RestoreMeshesTo(std::string_view text, Sink& sink) const
{
    const size_t n = text.size();
    size_t pos = 0;
    for (;;) {
        const size_t p = SearchForward(text, kMeshMark, 1, pos, npos);
        if (p == npos)
            break;
        sink(text.substr(pos, p - pos));
        size_t digits = 0;
        const int64_t index = PlaceholderNumber(text, p + kMeshMark.size(), digits);
        if (index < 0 || static_cast<uint64_t>(index) >= meshes_.size())
            throw EListError(index);
        sink(View(meshes_[static_cast<size_t>(index)]));
        pos = std::min(n, p + 21 + digits);
    }
    sink(text.substr(pos));
}

std::string TMeshStash::RestoreMeshes(std::string_view text) const
{
    std::string out;
    size_t total = text.size();
    for (const TPiece& piece : meshes_)
        total += piece.length;
    ReserveLargeText(out, total);
    auto sink = [&](std::string_view piece) { out.append(piece); };
    RestoreMeshesTo(text, sink);
    return out;
}

void TMeshStash::RestoreMeshes(std::string_view text, TAtomicFileWriter& out) const
{
    // The writer buffers small pieces and passes large ones straight to the file.
    auto sink = [&](std::string_view piece) { out.Write(piece); };
    RestoreMeshesTo(text, sink);
}

} // namespace kelvane
