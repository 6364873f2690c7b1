#pragma once
// Output text of bounded size: the first and the last `keep` bytes of everything appended, with
// the count of all of it. Text() puts one line in place of the middle that was left out.
#include <cstddef>
#include <string>
#include <string_view>

namespace kelvane {

class TKeptText {
public:
    // keep 0 keeps everything.
    explicit TKeptText(size_t keep = 0) : keep_(keep) {}
    void Append(std::string_view data);
    unsigned long long Total() const { return total_; }
    unsigned long long LeftOut() const;
    // The kept text; when bytes were left out, "\n[... N bytes left out ...]\n" stands between the
    // head and the tail, both cut so that no UTF-8 sequence is split.
    std::string Text() const;

private:
    size_t keep_;
    std::string head_;
    std::string ring_;       // the last bytes once the head is full
    size_t ringStart_ = 0;   // position of the oldest byte in ring_ once it is full
    unsigned long long total_ = 0;
};

// Finds a fixed text in a stream that arrives slice by slice.
class TStreamFind {
public:
    explicit TStreamFind(std::string what) : what_(std::move(what)) {}
    // Where the text ends in `slice` (one past its last byte) when it completes there; npos
    // otherwise, and always once found.
    size_t Feed(std::string_view slice);
    bool Found() const { return found_; }

private:
    std::string what_;
    std::string carry_;  // the last what_.size() - 1 bytes fed
    bool found_ = false;
};

} // namespace kelvane
