#include "scene/NumFormat.h"

#include "scene/Errors.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kelvane {

std::string FixedToStr(double value, int decimals)
{
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    return res.ec == std::errc() ? std::string(buf, res.ptr) : FloatToStr(value);
}

std::string FloatToStr(double value)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value > 0 ? "INF" : "-INF";
    if (value == 0)
        return "0";
    // Digits and exponent of the value rounded to 15 significant digits.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", value);
    std::string s(buf);
    const bool negative = s[0] == '-';
    if (negative)
        s.erase(0, 1);
    const size_t e = s.find('e');
    const int exponent = std::atoi(s.c_str() + e + 1);
    std::string digits = s.substr(0, 1) + s.substr(2, e - 2);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    std::string out = negative ? "-" : "";
    if (exponent < -4 || exponent >= 15) {
        out += digits[0];
        if (digits.size() > 1) {
            out += '.';
            out += digits.substr(1);
        }
        out += 'E';
        out += std::to_string(exponent);
    } else if (exponent < 0) {
        out += "0.";
        out += std::string(static_cast<size_t>(-exponent - 1), '0');
        out += digits;
    } else {
        const size_t intLen = static_cast<size_t>(exponent) + 1;
        if (digits.size() <= intLen) {
            out += digits;
            out += std::string(intLen - digits.size(), '0');
        } else {
            out += digits.substr(0, intLen);
            out += '.';
            out += digits.substr(intLen);
        }
    }
    return out;
}

namespace {

std::string_view TrimBlanks(std::string_view t)
{
    while (!t.empty() && static_cast<unsigned char>(t.front()) <= ' ')
        t.remove_prefix(1);
    while (!t.empty() && static_cast<unsigned char>(t.back()) <= ' ')
        t.remove_suffix(1);
    return t;
}

} // namespace

bool TryStrToFloat(std::string_view text, double& value)
{
    std::string_view t = TrimBlanks(text);
    if (t.empty())
        return false;
    // Strict shape check: [sign] digits [. digits] [e [sign] digits]; at least one digit.
    size_t i = 0;
    if (t[i] == '+' || t[i] == '-')
        ++i;
    size_t mantissaDigits = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') { ++i; ++mantissaDigits; }
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') { ++i; ++mantissaDigits; }
    }
    if (mantissaDigits == 0)
        return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-'))
            ++i;
        size_t expDigits = 0;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') { ++i; ++expDigits; }
        if (expDigits == 0)
            return false;
    }
    if (i != t.size())
        return false;
    std::string_view parse = t;
    if (parse[0] == '+')
        parse.remove_prefix(1);
    double v = 0;
    const auto res = std::from_chars(parse.data(), parse.data() + parse.size(), v);
    if (res.ec == std::errc::result_out_of_range) {
        // Overflow gives infinity, underflow zero, as strtod does.
        v = std::strtod(std::string(parse).c_str(), nullptr);
    } else if (res.ec != std::errc() || res.ptr != parse.data() + parse.size()) {
        return false;
    }
    value = v;
    return true;
}

double StrToFloat(std::string_view text)
{
    double v = 0;
    if (!TryStrToFloat(text, v))
        throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
    return v;
}

bool TryStrToInt64(std::string_view text, int64_t& value, bool allowHex)
{
    std::string_view t = TrimBlanks(text);
    bool negative = false;
    if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
        negative = t[0] == '-';
        t.remove_prefix(1);
    }
    int base = 10;
    if (allowHex) {
        if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
            base = 16;
            t.remove_prefix(2);
        } else if (t.size() > 1 && t[0] == '$') {
            base = 16;
            t.remove_prefix(1);
        }
    }
    if (t.empty())
        return false;
    uint64_t magnitude = 0;
    const auto res = std::from_chars(t.data(), t.data() + t.size(), magnitude, base);
    if (res.ec != std::errc() || res.ptr != t.data() + t.size())
        return false;
    if (base == 16 && !negative) {
        value = static_cast<int64_t>(magnitude); // hexadecimal wraps into the signed range
        return true;
    }
    if (negative) {
        if (magnitude > uint64_t(1) << 63)
            return false;
        value = static_cast<int64_t>(0 - magnitude);
    } else {
        if (magnitude > static_cast<uint64_t>(INT64_MAX))
            return false;
        value = static_cast<int64_t>(magnitude);
    }
    return true;
}

int64_t StrToInt64(std::string_view text)
{
    int64_t v = 0;
    if (!TryStrToInt64(text, v, true))
        throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
    return v;
}

} // namespace kelvane
