#pragma once
// Searches of the mesh stash's text passes: first and last occurrences of a literal, found by
// memchr / memrchr on one of its bytes, and finders that answer repeated searches in an
// unchanging text in about one look at each byte.
#include <cstddef>
#include <string_view>

namespace kelvane {

// First occurrence of pattern starting in [start, stop); anchor is the index of the byte looked
// for first (a rare one makes the search fast).
size_t SearchForward(std::string_view text, std::string_view pattern, size_t anchor, size_t start, size_t stop);
// Last occurrence of pattern lying wholly in [0, end).
size_t SearchBackward(std::string_view text, std::string_view pattern, size_t end);

// Repeated first-occurrence searches in an unchanging text from (mostly) advancing positions.
// The last answer is kept, so every byte is looked at about once however often it is asked.
class TForwardFinder {
public:
    TForwardFinder(std::string_view text, std::string_view pattern, size_t anchor)
        : text_(text), pattern_(pattern), anchor_(anchor) {}

    // First occurrence starting at or after start.
    size_t Find(size_t start)
    {
        constexpr size_t npos = std::string_view::npos;
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
    size_t from_ = std::string_view::npos;
    size_t at_ = std::string_view::npos;
};

// Repeated last-occurrence searches in an unchanging text with shrinking ends.
class TBackwardFinder {
public:
    TBackwardFinder(std::string_view text, std::string_view pattern) : text_(text), pattern_(pattern) {}

    // Last occurrence lying wholly in [0, end).
    size_t FindLast(size_t end)
    {
        if (to_ != std::string_view::npos && end <= to_ && (at_ == std::string_view::npos || at_ + pattern_.size() <= end))
            return at_;
        to_ = end;
        at_ = SearchBackward(text_, pattern_, end);
        return at_;
    }

private:
    std::string_view text_, pattern_;
    size_t to_ = std::string_view::npos;
    size_t at_ = std::string_view::npos;
};

} // namespace kelvane
