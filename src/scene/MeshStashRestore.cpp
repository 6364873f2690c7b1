// Restoring what the mesh stash cut: transform tags, mesh blocks and comments back into the text.
#include "scene/MeshStash.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

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

int64_t PlaceholderNumber(std::string_view text, size_t at, size_t& digits, size_t renamed)
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
