#include "scene/MeshStash.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <utility>

#include "scene/Errors.h"
#include "scene/FileIO.h"
#include "scene/NumFormat.h"
#include "scene/SceneText.h"
#include "scene/StashComments.h"
#include "scene/StashMarks.h"
#include "scene/TextFinders.h"

namespace kelvane {

namespace {

constexpr size_t npos = std::string_view::npos;

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
// The placeholders are looked for by the 'k' of "fake", much rarer in scene text than an 'f'.
constexpr size_t kMeshMarkAnchor = 3, kTransformMarkAnchor = 3, kFakeTransformEndAnchor = 4;
constexpr size_t kCommentMarkAnchor = 6;  // the 'k' of "fake"
constexpr size_t kTransformAnchor = 9;  // its 'm': mesh data has none

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

std::string_view TMeshStash::Comment(size_t n) const
{
    if (n >= comments_.size())
        throw EListError(static_cast<long long>(n));
    return View(comments_[n]);
}

namespace {

// A scene read and stashed, short of writing "~Fake.tmp".
struct TStashed {
    TMeshStash stash;
    std::string shortened;
    bool transcoded = false;
};

TStashed ReadAndStash(const fs::path& sceneFile)
{
    TSceneText scene = ReadSceneText(sceneFile);
    TStashed result;
    result.shortened = result.stash.StashText(std::move(scene.text));
    result.transcoded = scene.transcoded;
    return result;
}

struct TReadAhead {
    TFileVersion version;  // taken before the read began
    std::future<TStashed> result;
};

std::mutex readAheadMutex;
std::unique_ptr<TReadAhead> readAhead;

std::unique_ptr<TReadAhead> TakeReadAhead()
{
    std::lock_guard<std::mutex> lock(readAheadMutex);
    return std::move(readAhead);
}

// The read-ahead result for this very version of sceneFile, if there is one.
std::optional<TStashed> TakeReadAheadOf(const fs::path& sceneFile)
{
    const std::unique_ptr<TReadAhead> ahead = TakeReadAhead();
    TFileVersion now;
    if (!ahead || !ReadFileVersion(sceneFile, now) || !(now == ahead->version))
        return std::nullopt;  // a result of another file waits for its thread, then goes
    try {
        TStashed stashed = ahead->result.get();
        if (ReadFileVersion(sceneFile, now) && now == ahead->version)
            return stashed;
    } catch (...) {
        // read again, for this read's own error
    }
    return std::nullopt;
}

} // namespace

TStashReadAhead::TStashReadAhead(const fs::path& sceneFile)
{
    auto ahead = std::make_unique<TReadAhead>();
    if (!ReadFileVersion(sceneFile, ahead->version))
        return;
    try {
        ahead->result = std::async(std::launch::async, [sceneFile] { return ReadAndStash(sceneFile); });
    } catch (const std::system_error&) {
        return;  // no thread: the scene is read when it is opened
    }
    std::unique_ptr<TReadAhead> old;  // dropped after the lock is released
    std::lock_guard<std::mutex> lock(readAheadMutex);
    old = std::exchange(readAhead, std::move(ahead));
}

TStashReadAhead::~TStashReadAhead()
{
    TakeReadAhead();  // a result not taken is dropped once its thread ends
}

bool TMeshStash::StashMeshes(const fs::path& sceneFile, const fs::path& fakeFile)
{
    std::error_code ec;
    if (!fs::exists(sceneFile, ec))
        return false;
    std::optional<TStashed> ahead = TakeReadAheadOf(sceneFile);
    TStashed stashed = ahead ? std::move(*ahead) : ReadAndStash(sceneFile);
    // UTF-16 scenes are read back as UTF-8, which the byte-order mark announces.
    WriteNewFile(fakeFile, {stashed.transcoded ? kUtf8Mark : std::string_view(), stashed.shortened, "\r\n"});
    *this = std::move(stashed.stash);
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
    // Comments go before the transforms are looked for, so that the tags of an element put out
    // of use stay in its comment as they were.
    const std::vector<TTextSpan> kept = RemoveComments(shortened);
    if (!kept.empty())
        fresh.CutComments(shortened, kept);
    shortened = fresh.CutTransforms(std::move(shortened));
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
    // Room for the whole text (pages are only taken as they are written): no regrowth copies.
    ReserveLargeText(out, n + 64);
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

// Each kept comment moves to the owned store; its marker takes its place.
void TMeshStash::CutComments(std::string& text, const std::vector<TTextSpan>& kept)
{
    size_t bytes = 0;
    for (const TTextSpan& span : kept)
        bytes += span.end - span.begin;
    owned_.reserve(owned_.size() + bytes);
    std::string out;
    ReserveLargeText(out, text.size() - bytes + kept.size() * (kCommentMark.size() + 24));
    size_t from = 0;
    for (const TTextSpan& span : kept) {
        out.append(text, from, span.begin - from);
        out += kCommentMark;
        AppendNumber(out, comments_.size());
        out += "-->";
        comments_.push_back(TPiece{owned_.size(), span.end - span.begin, true});
        owned_.append(text, span.begin, span.end - span.begin);
        from = span.end;
    }
    out.append(text, from, npos);
    text.swap(out);
}

// Where tag stands in the kept scene text, or npos. The kept text holds the gaps between the mesh
// blocks unchanged, so a tag is looked for there only, from the cursor on (it only moves forward:
// one scan in all). The first "<transform" found must match byte for byte; anything else (a tag
// joined over a cut block) is not found.
size_t TMeshStash::FindInKeptText(std::string_view tag, TTextCursor& cursor) const
{
    const std::string_view t(text_);
    while (cursor.at < t.size()) {
        while (cursor.block < meshes_.size() &&
               (meshes_[cursor.block].owned || meshes_[cursor.block].offset + meshes_[cursor.block].length <= cursor.at))
            ++cursor.block;
        const bool inBlock = cursor.block < meshes_.size() && meshes_[cursor.block].offset <= cursor.at;
        const size_t gapEnd = cursor.block < meshes_.size() ? meshes_[cursor.block].offset : t.size();
        if (!inBlock) {
            const size_t hit = SearchForward(t, kTransform, kTransformAnchor, cursor.at, gapEnd);
            if (hit != npos && hit < gapEnd) {
                cursor.at = hit;
                if (t.substr(hit, tag.size()) != tag)
                    return npos;
                cursor.at = hit + tag.size();
                return hit;
            }
        }
        cursor.at = gapEnd < t.size() ? meshes_[cursor.block].offset + meshes_[cursor.block].length : t.size();
    }
    return npos;
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
    ReserveLargeText(out, n + growth);
    if (text_.empty()) {
        size_t tagBytes = 0;
        for (const TSpan& span : spans)
            tagBytes += span.end - span.begin;
        owned_.reserve(owned_.size() + tagBytes + growth);
    }
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
    TTextCursor cursor;
    for (size_t k = 0; k < total; ++k) {
        appendTurned(out, pos, spans[k].begin);
        const std::string_view tag = a.substr(spans[k].begin, spans[k].end - spans[k].begin);
        const bool whole = ei == ends.size() || ends[ei] >= spans[k].end;  // no end tag inside
        const size_t at = whole ? FindInKeptText(tag, cursor) : npos;
        if (at != npos) {
            transforms_.push_back(TPiece{at, tag.size(), false});
        } else {
            const size_t start = owned_.size();
            appendTurned(owned_, spans[k].begin, spans[k].end);
            transforms_.push_back(TPiece{start, owned_.size() - start, true});
        }
        AppendTransformPlaceholder(out, k);
        pos = spans[k].end;
    }
    appendTurned(out, pos, n);
    return out;
}

// ---------------------------------------------------------------------------------------------
// Restoring

namespace {

// Where in out's end an end tag split between out and right begins, or npos. Only the last
// 16 characters of out matter.
size_t JoinedEndTagAt(std::string_view out, std::string_view right)
{
    const size_t m = kFakeTransformEnd.size();
    for (size_t k = out.size() > m - 1 ? out.size() - (m - 1) : 0; k < out.size(); ++k) {
        const size_t inOut = out.size() - k;
        if (out.substr(k) == kFakeTransformEnd.substr(0, inOut) &&
            right.substr(0, m - inOut) == kFakeTransformEnd.substr(inOut))
            return k;
    }
    return npos;
}

// Cutting a placeholder out can join the end of out with what follows into a new
// "</fake_transform>" (out ends in "</fake_", say). When it does, its "fake_" goes, from out and
// from the text after the cut (tail, then text from cur); returns whether there was one.
bool TurnJoinedEndTag(std::string& out, std::string& tail, std::string_view text, size_t& cur)
{
    const size_t m = kFakeTransformEnd.size();
    std::string right(tail);
    right.append(text.substr(std::min(cur, text.size()), m));
    const size_t k = JoinedEndTagAt(out, right);
    if (k != npos) {
        const size_t inOut = out.size() - k;
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

size_t TMeshStash::TransformBytes() const
{
    size_t tags = 0;
    for (const TPiece& piece : transforms_)
        tags += piece.length;
    return tags;
}

// Placeholders are looked for only in the given text: a restored tag or block is never searched
// again, so an entry that holds placeholder text cannot make the restore loop.
std::string TMeshStash::RestoreTransforms(std::string_view text) const
{
    const size_t n = text.size();
    TForwardFinder marks(text, kTransformMark, kTransformMarkAnchor);
    TForwardFinder endTags(text, kFakeTransformEnd, kFakeTransformEndAnchor);
    std::string out;
    ReserveLargeText(out, n + TransformBytes() + 64);
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

void TMeshStash::RestoreTransformsInPlace(std::string& text) const
{
    // The usual layout: no deleted span reaches an end tag, every end tag is turned by the start
    // before it and no cut joins an end tag. Then each placeholder and end tag is replaced where it
    // stands, and when the text never shrinks up to a place, the result is built from the back in
    // text's own memory. Anything else takes the general restore.
    struct TEdit {
        size_t at, length;
        std::string_view with, then;
    };
    std::vector<TEdit> edits;
    const size_t n = text.size();
    bool usual = true;
    try {
        TForwardFinder marks(text, kTransformMark, kTransformMarkAnchor);
        TForwardFinder endTags(text, kFakeTransformEnd, kFakeTransformEndAnchor);
        size_t pos = 0;
        std::string scratch;
        // The last 16 characters of the result so far, text[pos, p) written last.
        const auto resultEnd = [&](size_t p) -> std::string_view {
            if (p - pos >= 16)
                return std::string_view(text).substr(p - 16, 16);
            scratch.assign(text, pos, p - pos);
            for (size_t k = edits.size(); k-- > 0 && scratch.size() < 16;) {
                const size_t from = k > 0 ? edits[k - 1].at + edits[k - 1].length : 0;
                scratch.insert(0, edits[k].then);
                scratch.insert(0, edits[k].with);
                scratch.insert(0, text, from, edits[k].at - from);
            }
            return std::string_view(scratch).substr(scratch.size() > 16 ? scratch.size() - 16 : 0);
        };
        size_t owed = 0;
        int64_t grown = 0;
        while (usual) {
            const size_t p = marks.Find(pos);
            const size_t e = endTags.Find(pos);
            if (e != npos && (p == npos || e < p)) {
                if (owed == 0) {
                    usual = false;  // an end tag left for a later start to turn
                    break;
                }
                --owed;
                edits.push_back({e, kFakeTransformEnd.size(), kTransformEnd, {}});
                grown -= static_cast<int64_t>(kFakeTransformEnd.size() - kTransformEnd.size());
                usual = grown >= 0;
                pos = e + kFakeTransformEnd.size();
                continue;
            }
            if (p == npos)
                break;
            size_t digits = 0;
            const int64_t index = PlaceholderNumber(text, p + kTransformMark.size(), digits);
            if (index < 0 || static_cast<uint64_t>(index) >= transforms_.size()) {
                usual = false;  // the general restore raises the error
                break;
            }
            const std::string_view tag = View(transforms_[static_cast<size_t>(index)]);
            const size_t cut = std::min(n, p + 25 + digits);
            const bool emptied = std::string_view(text).substr(p + kTransformMark.size() + digits, 3) == "\"/>";
            if (!emptied) {
                const size_t next = endTags.Find(p);
                const std::string_view before = resultEnd(p);
                if ((next != npos && next < cut) ||
                    (before.find('<') != npos && JoinedEndTagAt(before, std::string_view(text).substr(cut, 17)) != npos)) {
                    usual = false;
                    break;
                }
                ++owed;
            }
            const std::string_view then = emptied ? kTransformEnd : std::string_view();
            edits.push_back({p, cut - p, tag, then});
            grown += static_cast<int64_t>(tag.size() + then.size()) - static_cast<int64_t>(cut - p);
            usual = grown >= 0;
            pos = cut;
        }
    } catch (const EKelvaneError&) {
        usual = false;
    }
    if (!usual) {
        text = RestoreTransforms(text);
        return;
    }
    size_t total = n;
    for (const TEdit& edit : edits)
        total += edit.with.size() + edit.then.size() - edit.length;
    text.resize(total);
    char* const base = text.data();
    size_t srcEnd = n, dstEnd = total;
    for (size_t i = edits.size(); i-- > 0;) {
        const TEdit& edit = edits[i];
        const size_t from = edit.at + edit.length;
        dstEnd -= srcEnd - from;
        std::memmove(base + dstEnd, base + from, srcEnd - from);
        for (std::string_view piece : {edit.then, edit.with}) {
            dstEnd -= piece.size();
            if (!piece.empty())
                std::memcpy(base + dstEnd, piece.data(), piece.size());
        }
        srcEnd = edit.at;
    }
}

// Passes text to sink(piece, fromStash) with every placeholder replaced by its mesh block (and,
// with comments, every comment marker by its comment), and returns how much of the text it used.
// Unless final, a placeholder that may run past the end of the text (its mark, its number's
// closing quote, the characters it spans) waits, as do the last characters when they could begin
// a mark.
template <class Sink>
size_t TMeshStash::RestoreMeshesTo(std::string_view text, bool final, Sink& sink, bool comments) const
{
    const size_t n = text.size();
    comments = comments && !comments_.empty();
    const size_t markReach = (comments ? std::max(kMeshMark.size(), kCommentMark.size()) : kMeshMark.size()) - 1;
    size_t pos = 0;
    // The next mark of each kind at or after pos, searched again once pos has passed it.
    size_t mesh = 0, comment = 0;
    bool meshKnown = false, commentKnown = false;
    for (;;) {
        if (!meshKnown || (mesh != npos && mesh < pos)) {
            mesh = SearchForward(text, kMeshMark, kMeshMarkAnchor, pos, npos);
            meshKnown = true;
        }
        if (comments && (!commentKnown || (comment != npos && comment < pos))) {
            comment = SearchForward(text, kCommentMark, kCommentMarkAnchor, pos, npos);
            commentKnown = true;
        }
        const size_t c = comments ? comment : npos;
        if (c != npos && (mesh == npos || c < mesh)) {
            // "<!--fake_comment " digits "-->"
            const size_t digitsAt = c + kCommentMark.size();
            size_t d = digitsAt;
            while (d < n && d - digitsAt < 20 && text[d] >= '0' && text[d] <= '9')
                ++d;
            if (!final && d + 3 > n) {
                sink(text.substr(pos, c - pos), false);
                return c;
            }
            int64_t index = -1;
            if (d > digitsAt && text.substr(d, 3) == "-->" && TryStrToInt64(text.substr(digitsAt, d - digitsAt), index, false) &&
                index >= 0 && static_cast<uint64_t>(index) < comments_.size()) {
                sink(text.substr(pos, c - pos), false);
                RestoreMeshesTo(View(comments_[static_cast<size_t>(index)]), true, sink, false);
                pos = d + 3;
            } else {
                comment = SearchForward(text, kCommentMark, kCommentMarkAnchor, c + 1, npos);  // stays as text
            }
            continue;
        }
        const size_t p = mesh;
        if (p == npos) {
            const size_t keep = final ? 0 : std::min(n - pos, markReach);
            sink(text.substr(pos, n - pos - keep), false);
            return n - keep;
        }
        if (!final && text.find('"', p + kMeshMark.size()) == npos) {
            sink(text.substr(pos, p - pos), false);
            return p;
        }
        size_t digits = 0;
        const int64_t index = PlaceholderNumber(text, p + kMeshMark.size(), digits);
        sink(text.substr(pos, p - pos), false);
        if (!final && p + 21 + digits > n)
            return p;
        if (index < 0 || static_cast<uint64_t>(index) >= meshes_.size())
            throw EListError(index);
        sink(View(meshes_[static_cast<size_t>(index)]), true);
        pos = std::min(n, p + 21 + digits);
    }
}

std::string TMeshStash::RestoreMeshes(std::string_view text) const
{
    std::string out;
    size_t total = text.size();
    for (const TPiece& piece : meshes_)
        total += piece.length;
    ReserveLargeText(out, total);
    auto sink = [&](std::string_view piece, bool) { out.append(piece); };
    RestoreMeshesTo(text, true, sink);
    return out;
}

void TMeshRestorer::Feed(std::string_view part)
{
    pending_.append(part);
    if (pending_.size() >= batch_)
        Run(false);
}

void TMeshRestorer::Finish()
{
    Run(true);
    out_.Flush();
}

void TMeshRestorer::Run(bool final)
{
    // Pieces of the text are copied; blocks from the stash stay put until the next flush.
    auto sink = [&](std::string_view piece, bool fromStash) {
        if (fromStash)
            out_.WriteLasting(piece);
        else
            out_.Write(piece);
    };
    pending_.erase(0, stash_.RestoreMeshesTo(pending_, final, sink));
}

} // namespace kelvane
