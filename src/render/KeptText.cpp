#include "render/KeptText.h"

#include <algorithm>

namespace kelvane {

namespace {

bool Continuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Length of the head without an incomplete UTF-8 sequence at its end.
size_t WholeSequences(std::string_view text)
{
    const size_t n = text.size();
    for (size_t back = 1; back <= 4 && back <= n; ++back) {
        const auto c = static_cast<unsigned char>(text[n - back]);
        if (c < 0x80)
            return n;
        if (c >= 0xC0) {
            const size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
            return length > back ? n - back : n;
        }
    }
    return n;
}

} // namespace

void TKeptText::Append(std::string_view data)
{
    total_ += data.size();
    if (keep_ == 0) {
        head_.append(data);
        return;
    }
    if (head_.size() < keep_) {
        const size_t take = std::min(keep_ - head_.size(), data.size());
        head_.append(data.substr(0, take));
        data.remove_prefix(take);
    }
    if (data.size() > keep_)
        data.remove_prefix(data.size() - keep_);
    while (!data.empty()) {
        if (ring_.size() < keep_) {
            const size_t take = std::min(keep_ - ring_.size(), data.size());
            ring_.append(data.substr(0, take));
            data.remove_prefix(take);
            continue;
        }
        const size_t take = std::min(keep_ - ringStart_, data.size());
        ring_.replace(ringStart_, take, data.substr(0, take));
        ringStart_ = (ringStart_ + take) % keep_;
        data.remove_prefix(take);
    }
}

unsigned long long TKeptText::LeftOut() const
{
    return total_ - head_.size() - ring_.size();
}

std::string TKeptText::Text() const
{
    std::string tail = ring_.substr(ringStart_) + ring_.substr(0, ringStart_);
    const unsigned long long leftOut = LeftOut();
    if (leftOut == 0)
        return head_ + tail;
    const size_t headSize = WholeSequences(head_);
    size_t skip = 0;
    while (skip < 3 && skip < tail.size() && Continuation(tail[skip]))
        ++skip;
    const unsigned long long dropped = leftOut + (head_.size() - headSize) + skip;
    std::string text;
    text.reserve(headSize + tail.size() + 64);
    text.append(head_, 0, headSize);
    text += "\n[... " + std::to_string(dropped) + " bytes left out ...]\n";
    text.append(tail, skip);
    return text;
}

size_t TStreamFind::Feed(std::string_view slice)
{
    if (found_ || what_.empty())
        return std::string_view::npos;
    const size_t n = what_.size();
    // Across the seam first: the carried bytes and the start of this slice.
    std::string seam = carry_;
    seam.append(slice.substr(0, std::min(slice.size(), n - 1)));
    size_t end = std::string_view::npos;
    if (const size_t at = seam.find(what_); at != std::string::npos)
        end = at + n - carry_.size();
    else if (const size_t in = slice.find(what_); in != std::string_view::npos)
        end = in + n;
    if (end != std::string_view::npos) {
        found_ = true;
        carry_.clear();
        return end;
    }
    carry_.append(slice);
    if (carry_.size() > n - 1)
        carry_.erase(0, carry_.size() - (n - 1));
    return std::string_view::npos;
}

} // namespace kelvane
