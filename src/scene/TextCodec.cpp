#include "scene/TextCodec.h"

#include <utility>

namespace kelvane {

namespace {

// Length of the valid UTF-8 sequence at text[i], or 0 when the byte there does not start one.
size_t ValidSequenceLength(std::string_view text, size_t i, char32_t& cp)
{
    const auto b0 = static_cast<unsigned char>(text[i]);
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    size_t len;
    char32_t min;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2; cp = b0 & 0x1F; min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3; cp = b0 & 0x0F; min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4; cp = b0 & 0x07; min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > text.size())
        return 0;
    for (size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(text[i + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}


} // namespace

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

WideString Widen(std::string_view text)
{
    WideString out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto b0 = static_cast<unsigned char>(text[i]);
        if (b0 < 0x80) {
            out += static_cast<char16_t>(b0);
            ++i;
            continue;
        }
        char32_t cp = 0;
        const size_t len = ValidSequenceLength(text, i, cp);
        if (len == 0) {
            out += static_cast<char16_t>(0xDC00 + b0);
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += len;
    }
    return out;
}

bool TUtf16Units::Next(char16_t& unit)
{
    if (pending_) {
        unit = std::exchange(pending_, char16_t(0));
        return true;
    }
    if (at_ >= text_.size())
        return false;
    const auto b0 = static_cast<unsigned char>(text_[at_]);
    if (b0 < 0x80) {
        unit = b0;
        ++at_;
        return true;
    }
    char32_t cp = 0;
    const size_t len = ValidSequenceLength(text_, at_, cp);
    if (len == 0) {
        unit = static_cast<char16_t>(0xDC00 + b0);
        ++at_;
        return true;
    }
    at_ += len;
    if (cp >= 0x10000) {
        cp -= 0x10000;
        unit = static_cast<char16_t>(0xD800 + (cp >> 10));
        pending_ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
        unit = static_cast<char16_t>(cp);
    }
    return true;
}

std::string Narrow(WideView text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t u = text[i];
        if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            const char32_t cp = 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
            AppendUtf8(out, cp);
            ++i;
        } else if (u >= 0xDC80 && u <= 0xDCFF) {
            out += static_cast<char>(u - 0xDC00);
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

WideString W(std::string_view ascii)
{
    return WideString(ascii.begin(), ascii.end());
}

std::string Utf16BytesToUtf8(std::string_view bytes, bool bigEndian)
{
    WideString wide;
    wide.resize(bytes.size() / 2);
    for (size_t k = 0; k < wide.size(); ++k) {
        const auto a = static_cast<unsigned char>(bytes[2 * k]);
        const auto b = static_cast<unsigned char>(bytes[2 * k + 1]);
        wide[k] = bigEndian ? static_cast<char16_t>((a << 8) | b) : static_cast<char16_t>((b << 8) | a);
    }
    return Narrow(wide);
}

bool IsValidUtf8(std::string_view text)
{
    size_t i = 0;
    while (i < text.size()) {
        char32_t cp;
        const size_t len = ValidSequenceLength(text, i, cp);
        if (len == 0)
            return false;
        i += len;
    }
    return true;
}

} // namespace kelvane
