#pragma once
// Conversions between the 8-bit text of scene files and the wide strings of the document tree.
//
// The 8-bit form is UTF-8. A byte that does not belong to a valid UTF-8 sequence is carried in
// the wide form as the lone surrogate U+DC00 + byte (0x80..0xFF), and turned back into that very
// byte on the way out, so any byte sequence survives Widen followed by Narrow unchanged.
#include <string>
#include <string_view>

namespace kelvane {

using WideString = std::u16string;
using WideView = std::u16string_view;

// UTF-8 (with stray bytes escaped as above) to UTF-16. Four-byte sequences become surrogate pairs.
WideString Widen(std::string_view text);
// UTF-16 to UTF-8; escaped bytes come back as themselves, other lone surrogates as three bytes.
std::string Narrow(WideView text);

// Appends the UTF-8 form of one code point (a lone surrogate as three bytes).
void AppendUtf8(std::string& out, char32_t cp);

// The UTF-16 code units Widen makes of UTF-8 text, one at a time (for comparing in that order
// without building the wide text).
class TUtf16Units {
public:
    explicit TUtf16Units(std::string_view text) : text_(text) {}
    // False at the end.
    bool Next(char16_t& unit);
    bool AtEnd() const { return pending_ == 0 && at_ >= text_.size(); }

private:
    std::string_view text_;
    size_t at_ = 0;
    char16_t pending_ = 0;  // the low surrogate of a pair
};

// Plain ASCII literal to wide, for names and fixed texts in code.
WideString W(std::string_view ascii);

// Decodes UTF-16 bytes (without their byte-order mark) to UTF-8. An odd last byte is dropped.
std::string Utf16BytesToUtf8(std::string_view bytes, bool bigEndian);

// True when the text is valid UTF-8 throughout.
bool IsValidUtf8(std::string_view text);

} // namespace kelvane
