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

constexpr size_t kTransformAnchor = 9;  // the 'm' of "<transform": mesh data has none

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

} // namespace kelvane
