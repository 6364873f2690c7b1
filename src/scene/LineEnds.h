#pragma once
// Line ends made CR LF: CR, LF and CR LF each end a line.
#include <cstddef>
#include <string>

namespace kelvane {

// Copies text into a string piece by piece, making every line end CR LF. Text that already has
// CR LF ends, or LF alone, goes through in 16-byte blocks.
class TLineEndWriter {
public:
    explicit TLineEndWriter(std::string& out) : out_(out) {}
    void Feed(const char* p, size_t n);
    // The last line gets its CR LF.
    void Finish();

private:
    std::string& out_;
    bool afterCr_ = false;  // the last piece ended in CR
};

// text with every line end CR LF, the last line ended too (an empty text stays empty).
std::string NormaliseLineEnds(std::string text);

} // namespace kelvane
