#include "scene/SceneWriter.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <unordered_map>
#include <vector>

#include "scene/ElementKinds.h"
#include "scene/FileIO.h"
#include "scene/MeshStash.h"
#include "scene/SceneText.h"
#include "scene/WorkingElement.h"
#include "scene/skDom.h"
#include "scene/WorkTick.h"

namespace kelvane {

namespace {

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

// The ends of the elements of one kind in one text. An exact start's end is found by a depth walk
// over the '<' after its tag: an end tag of the kind goes one level up (the walk ends when it
// leaves level 1), an exact start that is not self-closing one level down, and the walk jumps to
// the first '>' after a start's name. Where each '<' leads does not depend on the start, so every
// walk is answered from one backward pass over the '<' of the text, not walked again and again.
// Any other start ends at the first end tag from it.
class TKindEnds {
public:
    TKindEnds(std::string_view text, std::string_view open, std::string_view close)
        : text_(text), open_(open), close_(close)
    {
        for (size_t at = text.find('<'); at != npos; at = text.find('<', at + 1))
            lt_.push_back(at);
        const size_t m = lt_.size();
        next_.assign(m, 0);
        level_.assign(m + 1, 0);  // the level change from a '<' to the end; none past the last
        rise_.assign(m + 2, 0);
        rise_[m] = m;
        rise_[m + 1] = m + 1;
        std::vector<int8_t> step(m, 0);
        size_t after = 0;  // the first '<' at or past a start tag's end (they come in order)
        for (size_t i = 0; i < m; ++i) {
            const size_t at = lt_[i];
            next_[i] = i + 1;
            if (text.compare(at, close.size(), close) == 0) {
                step[i] = -1;
                closes_.push_back(at);
            } else if (IsExactStart(text, at, open)) {
                const size_t end = TagEnd(text, at + 1);
                if (end == npos) {
                    next_[i] = m + 1;  // the walk fails here
                    continue;
                }
                step[i] = text[end - 2] != '/' ? 1 : 0;
                after = std::max(after, i + 1);
                while (after < m && lt_[after] < end)
                    ++after;
                next_[i] = after;
            }
        }
        // rise_[i]: the first '<' from i on at which the walk has gone one level above where it
        // was at i (an end tag), or m (none) or m + 1 (the walk fails first).
        for (size_t i = m; i-- > 0;) {
            const size_t x = next_[i];
            if (x > m) {
                rise_[i] = m + 1;
                continue;
            }
            level_[i] = level_[x] - step[i];
            if (level_[x] < level_[i])
                rise_[i] = i;
            else if (level_[x] == level_[i])
                rise_[i] = rise_[x];
            else
                rise_[i] = rise_[x] < m ? rise_[next_[rise_[x]]] : rise_[x];
        }
    }

    // End (exclusive) of the element of this kind starting at start, or npos.
    size_t End(size_t start) const
    {
        if (!IsExactStart(text_, start, open_)) {
            const auto c = std::lower_bound(closes_.begin(), closes_.end(), start);
            return c == closes_.end() ? npos : *c + close_.size();
        }
        const size_t pos = TagEnd(text_, start + 1);
        if (pos == npos)
            return npos;
        if (text_[pos - 2] == '/')
            return pos;
        const size_t u = static_cast<size_t>(std::lower_bound(lt_.begin(), lt_.end(), pos) - lt_.begin());
        const size_t v = rise_[u];
        return v < lt_.size() ? lt_[v] + close_.size() : npos;
    }

private:
    std::string_view text_, open_, close_;
    std::vector<size_t> lt_;      // every '<', in order
    std::vector<size_t> next_;    // the '<' the walk looks at next (m + 1: it fails)
    std::vector<int64_t> level_;  // minus the depth change from there to the end
    std::vector<size_t> rise_;
    std::vector<size_t> closes_;  // every end tag of the kind
};

} // namespace

std::string OtherSceneItems(std::string_view rest)
{
    // One walk over the tags with the open elements on a stack: the scene element is the first
    // element at depth 0, its items lie at depth 1. An end tag closes the nearest open element of
    // its name and every element opened inside it; one that closes none is passed over. Tags end
    // at their first '>', as the reader ends them.
    std::string out;
    const size_t n = rest.size();
    std::vector<std::string_view> open;
    std::unordered_map<std::string_view, size_t> openNamed;
    size_t itemStart = npos;  // the start tag of the element item open at depth 1
    auto item = [&](size_t from, size_t to) {
        out += kItemLead;
        out.append(rest, from, to - from);
    };
    auto nameAt = [&](size_t from) {
        size_t to = from;
        while (to < n && !EndsName(rest[to]))
            ++to;
        return rest.substr(from, to - from);
    };
    for (size_t at = rest.find('<'); at != npos; at = rest.find('<', at)) {
        const std::string_view tail = rest.substr(at);
        if (tail.starts_with("<!--")) {
            const size_t close = rest.find("-->", at + 2);
            const size_t end = close == npos ? n : close + 3;
            if (open.size() <= 1 && close != npos)
                item(at, end);
            at = end;
            continue;
        }
        const size_t gt = tail.starts_with("<![CDATA[") ? rest.find("]]>", at) : rest.find('>', at);
        if (gt == npos)
            break;
        const size_t end = gt + (rest[gt] == ']' ? 3 : 1);
        if (tail.starts_with("</")) {
            const std::string_view name = nameAt(at + 2);
            if (auto found = openNamed.find(name); found != openNamed.end() && found->second > 0) {
                for (bool closed = false; !closed;) {
                    closed = open.back() == name;
                    --openNamed[open.back()];
                    open.pop_back();
                    if (open.size() == 1 && itemStart != npos) {
                        if (closed)
                            item(itemStart, end);
                        itemStart = npos;  // an item that never ends is left out
                    }
                }
            }
        } else if (!tail.starts_with("<!") && !tail.starts_with("<?")) {
            const bool empty = rest[end - 2] == '/';
            if (open.size() == 1 && empty)
                item(at, end);
            else if (open.size() == 1)
                itemStart = at;
            if (!empty) {
                open.push_back(nameAt(at + 1));
                ++openNamed[open.back()];
            }
        }
        at = end;
    }
    return out;
}

namespace {

// The passes as described: each kind searches what the kinds before it left, and the text
// left is copied after every kind that took something.
std::string ReorderByPasses(std::string_view text)
{
    std::string result;
    ReserveLargeText(result, text.size() + text.size() / 8 + 32);
    result = "<scene>";
    // What is left after each kind; the first kind taken reads the given text itself.
    std::string_view current = text;
    std::string left, rest;
    for (std::string_view kind : WriterKindOrder()) {
        std::string open = "<";
        open += kind;
        std::string close = "</";
        close += kind;
        close += '>';
        size_t pos = 0, kept = 0;
        bool taken = false;
        std::optional<TKindEnds> ends;
        while ((pos = current.find(open, pos)) != npos) {
            if (!ends)
                ends.emplace(current, open, close);
            const size_t end = ends->End(pos);
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
    result += OtherSceneItems(current);
    result += "\r\n</scene>";
    return result;
}

// One scan finds every start ("<" + kind) and end tag ("</" + kind + ">") of all kinds; the kinds
// are then taken in order on the original text, the removed spans skipped. That is the same as the
// passes as long as no removal joins a start or end tag (or the character after a start's name)
// across the gap it leaves. That is checked: a '<' among the 12 characters left of a gap could
// begin such a tag, and a start tag with a gap before its first '>' may end differently once the
// gap closes. In those cases the passes are run instead.
class TOnePassRegroup {
public:
    explicit TOnePassRegroup(std::string_view text)
        : text_(text), order_(WriterKindOrder()), kindCount_(static_cast<uint8_t>(order_.size())), tokens_(kindCount_)
    {
        for (std::string_view kind : order_) {
            joinReach_ = std::max(joinReach_, kind.size() + 2);
            // A tag is scanned as the first kind it begins with: a kind named like the start of
            // another one needs the passes.
            for (std::string_view other : order_)
                nested_ = nested_ || (other != kind && other.starts_with(kind));
        }
    }

    // Finds the elements of every kind; false when the passes must be run instead.
    bool Take()
    {
        if (nested_)
            return false;
        Scan();
        for (uint8_t kind = 0; kind < kindCount_; ++kind)
            if (!TakeKind(kind))
                return false;
        others_ = OtherSceneItems(Left());
        return true;
    }

    bool Run(std::string& result)
    {
        if (!Take())
            return false;
        Write(result);
        return true;
    }

    // The text no kind took, in order.
    std::string Left() const
    {
        std::string rest;
        size_t from = 0;
        for (const TSpan& span : removed_) {
            rest.append(text_, from, span.begin - from);
            from = span.end;
        }
        rest.append(text_, from, npos);
        return rest;
    }

    // The regrouped text, piece by piece.
    template <class Sink>
    void Emit(Sink& sink) const
    {
        sink(std::string_view("<scene>"));
        for (const TItem& item : items_) {
            sink(kItemLead);
            size_t from = item.span.begin;
            for (size_t g = item.firstGap; g < item.endGap; ++g) {
                sink(text_.substr(from, gaps_[g].begin - from));
                from = gaps_[g].end;
            }
            sink(text_.substr(from, item.span.end - from));
        }
        sink(std::string_view(others_));
        sink(std::string_view("\r\n</scene>"));
    }

private:
    static constexpr size_t kUnknown = npos - 1;
    enum class TTag : uint8_t { Prefix, Exact, End };
    struct TToken {
        size_t at;
        TTag tag;
        bool removed;
    };
    struct TSpan {
        size_t begin, end;
    };
    // A walk through the tokens of one kind as the passes make it, entered at token k.
    struct TWalk {
        size_t tagEnd;    // an exact start: just past its first '>' (npos: none)
        size_t after;     // an exact start: the first token past its start tag
        size_t close;     // the end tag at which depth 1 gets back to 0 (the token count: none)
        size_t firstEnd;  // the first end tag from k on
    };
    struct TItem {
        TSpan span;
        size_t firstGap, endGap;  // its range of gaps_
    };

    void Scan()
    {
        const char* base = text_.data();
        const size_t n = text_.size();
        for (size_t at = 0; at + 1 < n;) {
            const void* hit = std::memchr(base + at, '<', n - at);
            if (!hit)
                break;
            const size_t q = static_cast<size_t>(static_cast<const char*>(hit) - base);
            at = q + 1;
            if (q + 1 >= n)
                break;
            const bool isEnd = base[q + 1] == '/';
            const size_t nameAt = q + (isEnd ? 2 : 1);
            if (nameAt >= n)
                continue;
            for (uint8_t kind = 0; kind < kindCount_; ++kind) {
                const std::string_view name = order_[kind];
                if (name[0] != base[nameAt] || text_.compare(nameAt, name.size(), name) != 0)
                    continue;
                const size_t after = nameAt + name.size();
                if (isEnd) {
                    if (after < n && base[after] == '>')
                        tokens_[kind].push_back({q, TTag::End, false});
                } else {
                    const bool exact = after < n && EndsName(base[after]);
                    tokens_[kind].push_back({q, exact ? TTag::Exact : TTag::Prefix, false});
                }
                break;
            }
        }
    }

    // First token at or after position at, from index on.
    static size_t SkipTo(const std::vector<TToken>& list, size_t index, size_t at)
    {
        while (index < list.size() && list[index].at < at)
            ++index;
        return index;
    }

    // Position just past the first '>' at or after from; npos when there is none. A removed span
    // between from and that '>' sets unsure_. Asked with advancing from, each byte is read once.
    size_t TagEnd(size_t from)
    {
        if (from > lastGreater_ || lastGreater_ == kUnknown)
            lastGreater_ = text_.find('>', from);
        const size_t g = lastGreater_;
        const auto gap = std::lower_bound(removed_.begin(), removed_.end(), from,
                                          [](const TSpan& s, size_t a) { return s.begin < a; });
        if (g != npos && gap != removed_.end() && gap->begin < g)
            unsure_ = true;
        return g == npos ? npos : g + 1;
    }

    // Takes the elements of one kind. A start whose name is exactly the kind is followed through
    // the tokens as the passes do it, depth counted; where that walk ends is worked out for every
    // token at once, from the last to the first, so the kind costs one walk over its tokens.
    bool TakeKind(uint8_t kind)
    {
        // No later kind looks at these tokens: the removed ones can go.
        std::vector<TToken>& live = tokens_[kind];
        std::erase_if(live, [](const TToken& t) { return t.removed; });
        const size_t m = live.size();
        const size_t closeSize = order_[kind].size() + 3;
        std::vector<TWalk>& walk = walk_;
        walk.assign(m + 1, TWalk{npos, m, m, m});
        lastGreater_ = kUnknown;
        for (size_t k = 0, next = 0; k < m; ++k) {
            if (live[k].tag != TTag::Exact)
                continue;
            const size_t tagEnd = walk[k].tagEnd = TagEnd(live[k].at + 1);
            if (unsure_)
                return false;
            if (tagEnd == npos)
                continue;
            next = std::max(next, k + 1);
            while (next < m && live[next].at < tagEnd)
                ++next;
            walk[k].after = next;
        }
        for (size_t k = m; k-- > 0;) {
            TWalk& w = walk[k];
            w.firstEnd = live[k].tag == TTag::End ? k : walk[k + 1].firstEnd;
            if (live[k].tag == TTag::End)
                w.close = k;
            else if (live[k].tag == TTag::Prefix)
                w.close = walk[k + 1].close;
            else if (w.tagEnd == npos)
                w.close = m;  // a start tag without '>' ends the walk
            else if (text_[w.tagEnd - 2] == '/')
                w.close = walk[w.after].close;
            else if (const size_t inner = walk[w.after].close; inner != m)
                w.close = walk[inner + 1].close;
        }

        std::vector<TSpan>& taken = taken_;
        taken.clear();
        for (size_t k = 0; k < m;) {
            const TToken& t = live[k];
            const TWalk& w = walk[k];
            size_t endTag = m;
            if (t.tag == TTag::Prefix) {
                endTag = walk[k + 1].firstEnd;
            } else if (t.tag == TTag::Exact && w.tagEnd != npos) {
                if (text_[w.tagEnd - 2] == '/') {
                    taken.push_back({t.at, w.tagEnd});
                    k = w.after;
                    continue;
                }
                endTag = walk[w.after].close;
            }
            if (endTag == m) {
                ++k;  // an end tag, or a start without an end
                continue;
            }
            taken.push_back({t.at, live[endTag].at + closeSize});
            k = endTag + 1;
        }
        if (taken.empty())
            return true;
        for (uint8_t later = kind + 1; later < kindCount_; ++later) {
            std::vector<TToken>& other = tokens_[later];
            size_t i = 0;
            for (const TSpan& span : taken)
                for (i = SkipTo(other, i, span.begin); i < other.size() && other[i].at < span.end; ++i)
                    other[i].removed = true;
        }
        // Spans removed earlier inside an item are not part of it.
        size_t g = 0;
        for (const TSpan& span : taken) {
            while (g < removed_.size() && removed_[g].begin < span.begin)
                ++g;
            const size_t first = gaps_.size();
            for (; g < removed_.size() && removed_[g].begin < span.end; ++g)
                gaps_.push_back(removed_[g]);
            items_.push_back({span, first, gaps_.size()});
        }
        MergeRemoved(taken);
        return JoinsAreSafe(taken);
    }

    void MergeRemoved(const std::vector<TSpan>& taken)
    {
        merged_.clear();
        for (size_t a = 0, b = 0; a < removed_.size() || b < taken.size();) {
            const bool old = b == taken.size() || (a < removed_.size() && removed_[a].begin < taken[b].begin);
            const TSpan& s = old ? removed_[a++] : taken[b++];
            if (!merged_.empty() && s.begin <= merged_.back().end)
                merged_.back().end = std::max(merged_.back().end, s.end);
            else
                merged_.push_back(s);
        }
        removed_.swap(merged_);
    }

    // No '<' among the 12 characters of what is left before a gap that begins with a span just
    // taken. Other gaps keep what is left before them; a span taken inside that stretch brings a
    // gap of its own, which is nearer to anything the stretch now reaches.
    bool JoinsAreSafe(const std::vector<TSpan>& taken) const
    {
        size_t t = 0;
        for (size_t g = 0; g < removed_.size(); ++g) {
            while (t < taken.size() && taken[t].begin < removed_[g].begin)
                ++t;
            if (t == taken.size())
                break;
            if (taken[t].begin != removed_[g].begin)
                continue;
            size_t need = joinReach_;
            size_t x = removed_[g].begin;
            for (size_t k = g; need > 0 && x > 0;) {
                const size_t floor = k > 0 ? removed_[k - 1].end : 0;
                const size_t take = std::min(need, x - floor);
                if (std::memchr(text_.data() + x - take, '<', take))
                    return false;
                need -= take;
                if (k == 0)
                    break;
                x = removed_[--k].begin;
            }
        }
        return true;
    }

    void Write(std::string& result) const
    {
        size_t size = 7 + 10 + others_.size();
        for (const TItem& item : items_) {
            size += kItemLead.size() + item.span.end - item.span.begin;
            for (size_t g = item.firstGap; g < item.endGap; ++g)
                size -= gaps_[g].end - gaps_[g].begin;
        }
        ReserveLargeText(result, size);
        result.clear();
        auto append = [&](std::string_view piece) { result.append(piece); };
        Emit(append);
    }

    std::string_view text_;
    const std::vector<std::string_view> order_;  // the kinds in the writer's order
    const uint8_t kindCount_;
    size_t joinReach_ = 0;  // the longest end tag looked for ("</background>"), less one
    bool nested_ = false;
    std::vector<std::vector<TToken>> tokens_;
    std::vector<TSpan> removed_;  // sorted, apart and not touching
    std::vector<TSpan> merged_;   // the next removed_
    std::vector<TItem> items_;    // taken elements, in output order
    std::vector<TSpan> gaps_;     // spans removed before an item was taken, inside it
    std::vector<TWalk> walk_;     // per kind, kept for its capacity
    std::vector<TSpan> taken_;
    std::string others_;  // the items after the kinds
    size_t lastGreater_ = kUnknown;  // the last answer of TagEnd
    bool unsure_ = false;
};

} // namespace

std::string ReorderScene(std::string_view text)
{
    std::string result;
    if (TOnePassRegroup(text).Run(result))
        return result;
    return ReorderByPasses(text);
}

void ReorderScene(std::string_view text, const std::function<void(std::string_view)>& sink)
{
    TOnePassRegroup regroup(text);
    if (regroup.Take())
        regroup.Emit(sink);
    else
        sink(ReorderByPasses(text));
}

std::string SceneTreeText(const TDomDocument& document, const TNameValueList& presence,
                          const std::vector<std::string>& leftOut, size_t extra)
{
    // Scene trees write about 75 bytes a node (attributes are not nodes); reserving a little
    // more spares the text its regrowth.
    std::string text;
    ReserveLargeText(text, document.OwnedNodeCount() * 96 + extra + 64);
    if (leftOut.empty()) {
        AppendXmlUtf8(text, document, 7, 7);
        return text;
    }
    // The removals are made in a copy, so the open scene keeps every element.
    std::unique_ptr<TDomDocument> copy = document.CloneDocument(true);
    TWorkingElement working(presence);
    working.SetDocument(copy.get());
    constexpr std::string_view separator = " -- ";
    for (const std::string& row : leftOut) {
        const size_t at = row.find(separator);
        const WideString kind = Widen(at == std::string::npos ? row : row.substr(0, at));
        const WideString name = at == std::string::npos ? WideString() : Widen(row.substr(at + separator.size()));
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
                    const std::vector<std::string>& leftOut, const TMeshStash& stash,
                    const std::filesystem::path& target)
{
    std::string text = SceneTreeText(document, presence, leftOut, stash.TransformBytes());
    WorkTick();
    stash.RestoreTransformsInPlace(text);
    WorkTick();
    // Regrouped and restored piece by piece into the file: neither text is built whole.
    TAtomicFileWriter out(target, true);
    TMeshRestorer restorer(stash, out);
    ReorderScene(text, [&](std::string_view piece) { restorer.Feed(piece); });
    restorer.Finish();
    WorkTick();
    out.Write("\r\n");
    out.Commit();
}

} // namespace kelvane
