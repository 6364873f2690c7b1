#include "controls/NumberText.h"

#include "scene/Errors.h"
#include "scene/NumFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace kelvane {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsHexDigit(char c)
{
    return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool HasSign(std::string_view t) { return t.find_first_of("+-") != std::string_view::npos; }

[[noreturn]] void FailInteger(std::string_view text)
{
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
}

[[noreturn]] void FailFloat(std::string_view text)
{
    throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
}

// Hexadecimal digits to an unsigned value of at most `bits` bits (leading zeros allowed).
uint64_t ReadHex(std::string_view digits, int bits, std::string_view original)
{
    if (digits.empty())
        FailInteger(original);
    uint64_t v = 0;
    const uint64_t limit = bits >= 64 ? std::numeric_limits<uint64_t>::max() : (uint64_t(1) << bits) - 1;
    for (char c : digits) {
        if (!IsHexDigit(c))
            FailInteger(original);
        const unsigned d = IsDigit(c) ? unsigned(c - '0') : unsigned((c | 0x20) - 'a' + 10);
        if (v > (limit - d) / 16)
            FailInteger(original);
        v = v * 16 + d;
    }
    return v;
}

// Adds one to the magnitude of an integer text ("-3" -> "-4", "99" -> "100", "" -> "1").
std::string IncrementMagnitude(std::string text)
{
    for (size_t i = text.size(); i-- > 0;) {
        char& c = text[i];
        if (!IsDigit(c))
            continue;
        if (c < '9') {
            ++c;
            return text;
        }
        c = '0';
    }
    // Every digit rolled over: a new leading 1 after the sign.
    size_t at = 0;
    while (at < text.size() && !IsDigit(text[at]))
        ++at;
    text.insert(at, 1, '1');
    return text;
}

// Splits a text into sign and the rest.
std::string_view SignPrefix(std::string_view t)
{
    return (!t.empty() && (t[0] == '-' || t[0] == '+')) ? t.substr(0, 1) : std::string_view();
}

} // namespace

double ParseText(std::string_view text, TNumberType type, bool validMinus)
{
    if (text.empty() || text == "-" || text == "+")
        return 0;
    if (type == TNumberType::ntHex) {
        if (validMinus) {
            if (text[0] == '-')
                return -static_cast<double>(static_cast<int64_t>(ReadHex(text.substr(1), 64, text)));
            return static_cast<double>(static_cast<int64_t>(ReadHex(text, 64, text)));
        }
        return static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(ReadHex(text, 32, text))));
    }
    std::string rest;
    rest.reserve(text.size());
    for (char c : text)
        if (c != kThousandSeparator && static_cast<unsigned char>(c) >= 32)
            rest += c;
    if (rest.empty())
        return 0;
    std::string_view body = std::string_view(rest).substr(SignPrefix(rest).size());
    if (body.empty() || body == std::string_view(&kDecimalSeparator, 1))
        return 0;
    if (rest.find_first_of(".eE") != std::string::npos) {
        double v = 0;
        if (!TryStrToFloat(rest, v) || !std::isfinite(v))
            FailFloat(rest);
        return v;
    }
    int64_t n = 0;
    if (TryStrToInt64(rest, n, true))
        return static_cast<double>(n);
    // A run of digits too long for 64 bits is still a number.
    double v = 0;
    if (std::all_of(body.begin(), body.end(), IsDigit) && TryStrToFloat(rest, v) && std::isfinite(v))
        return v;
    FailInteger(rest);
}

std::string ExpandScientific(std::string_view text)
{
    const size_t e = text.find_first_of("eE");
    if (e == std::string_view::npos)
        return std::string(text);
    std::string_view mant = text.substr(0, e);
    std::string_view expText = text.substr(e + 1);
    const std::string_view sign = SignPrefix(mant);
    mant.remove_prefix(sign.size());
    int exponent = 0;
    if (!expText.empty() && expText[0] == '+')
        expText.remove_prefix(1);
    const auto res = std::from_chars(expText.data(), expText.data() + expText.size(), exponent);
    if (expText.empty() || res.ec != std::errc() || res.ptr != expText.data() + expText.size() ||
        exponent > 400 || exponent < -400)
        return std::string(text);
    std::string digits;
    int pointAt = -1; // digits before the point
    for (char c : mant) {
        if (IsDigit(c)) {
            digits += c;
        } else if (c == kDecimalSeparator && pointAt < 0) {
            pointAt = static_cast<int>(digits.size());
        } else {
            return std::string(text);
        }
    }
    if (digits.empty())
        return std::string(text);
    if (pointAt < 0)
        pointAt = static_cast<int>(digits.size());
    pointAt += exponent;
    std::string out(sign);
    if (pointAt <= 0) {
        out += "0.";
        out.append(static_cast<size_t>(-pointAt), '0');
        out += digits;
    } else if (pointAt >= static_cast<int>(digits.size())) {
        out += digits;
        out.append(static_cast<size_t>(pointAt) - digits.size(), '0');
    } else {
        out += digits.substr(0, static_cast<size_t>(pointAt));
        out += kDecimalSeparator;
        out += digits.substr(static_cast<size_t>(pointAt));
    }
    return out;
}

std::string RoundDecimals(std::string_view original, int figure, TRoundMode mode)
{
    if (figure < 0)
        return std::string(original);
    std::string expanded;
    std::string_view text = original;
    if (text.find_first_of("eE") != std::string_view::npos) {
        expanded = ExpandScientific(text);
        text = expanded;
    }
    const size_t sep = text.find(kDecimalSeparator);
    if (sep == std::string_view::npos || sep + 1 == text.size())
        return std::string(original);
    const std::string_view decimals = text.substr(sep + 1);
    const size_t keep = static_cast<size_t>(figure);
    if (decimals.size() <= keep)
        return std::string(original);
    std::string kept(decimals.substr(0, keep));
    const std::string_view dropped = decimals.substr(keep);
    bool carry = false;
    if (mode == TRoundMode::rmRound)
        carry = dropped[0] >= '5' && dropped[0] <= '9';
    else if (mode == TRoundMode::rmUp)
        carry = std::any_of(dropped.begin(), dropped.end(), [](char c) { return c != '0'; });
    for (size_t i = kept.size(); carry && i-- > 0;) {
        if (!IsDigit(kept[i]))
            continue;
        if (kept[i] < '9') {
            ++kept[i];
            carry = false;
        } else {
            kept[i] = '0';
        }
    }
    std::string intPart(text.substr(0, sep));
    if (carry)
        intPart = IncrementMagnitude(std::move(intPart));
    return intPart + kDecimalSeparator + kept;
}

std::string InsertThousands(std::string_view text)
{
    const size_t sep = text.find(kDecimalSeparator);
    std::string_view intPart = text.substr(0, sep == std::string_view::npos ? text.size() : sep);
    const std::string_view rest = text.substr(intPart.size());
    const std::string_view sign = SignPrefix(intPart);
    std::string digits;
    for (char c : intPart.substr(sign.size())) {
        if (IsDigit(c))
            digits += c;
        else if (c != kThousandSeparator)
            return std::string(text);
    }
    // "#,##0": no leading zeros, at least one digit.
    const size_t nonZero = digits.find_first_not_of('0');
    digits = nonZero == std::string::npos ? "0" : digits.substr(nonZero);
    std::string out(sign);
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += kThousandSeparator;
        out += digits[i];
    }
    out += rest;
    return out;
}

double ClampValue(double value, const TNumberOptions& o)
{
    if (!o.limit)
        return value;
    if (o.loMin && value < o.min)
        value = o.min;
    if (o.loMax && value > o.max)
        value = o.max;
    return value;
}

int64_t ValueToInt64(double value, TRoundMode mode)
{
    if (std::isnan(value))
        return 0;
    const std::string cut = RoundDecimals(ExpandScientific(FloatToStr(value)), 0, mode);
    const std::string intPart = cut.substr(0, cut.find(kDecimalSeparator));
    int64_t n = 0;
    if (TryStrToInt64(intPart, n, false))
        return n;
    return value < 0 ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
}

int32_t ValueToInt32(double value, TRoundMode mode)
{
    const int64_t n = ValueToInt64(value, mode);
    return static_cast<int32_t>(std::clamp<int64_t>(n, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

std::string HexDigits(uint64_t value, int figure)
{
    char buf[17];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, 16);
    std::string out(buf, res.ptr);
    for (char& c : out)
        if (c >= 'a' && c <= 'f')
            c = static_cast<char>(c - 'a' + 'A');
    const size_t width = static_cast<size_t>(std::max(figure, 1));
    if (out.size() < width)
        out.insert(0, width - out.size(), '0');
    return out;
}

std::string FormatValue(double& value, std::string_view currentText, const TNumberOptions& o)
{
    if (std::isnan(value))
        value = 0;
    value = ClampValue(value, o);
    if (o.numberType == TNumberType::ntHex) {
        if (!o.validMinus) {
            const int32_t n = ValueToInt32(value, o.roundMode);
            value = n;
            return HexDigits(static_cast<uint32_t>(n), o.figure);
        }
        const int64_t n = ValueToInt64(value, o.roundMode);
        value = static_cast<double>(n);
        const uint64_t magnitude = n < 0 ? uint64_t(0) - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
        return (n < 0 ? "-" : "") + HexDigits(magnitude, o.figure);
    }
    const bool plus = !currentText.empty() && currentText[0] == '+';
    std::string s = FloatToStr(value);
    // With a fixed number of decimals the text is always in plain notation.
    if (o.figure >= 0)
        s = ExpandScientific(s);
    s = RoundDecimals(s, o.figure, o.roundMode);
    if (o.comma)
        s = InsertThousands(s);
    if (o.figure >= 0 && o.fixed) {
        const size_t sep = s.find(kDecimalSeparator);
        const size_t want = static_cast<size_t>(o.figure);
        if (sep == std::string::npos) {
            if (want >= 1)
                s += kDecimalSeparator + std::string(want, '0');
        } else if (want == 0) {
            s.erase(sep);
        } else {
            const size_t have = s.size() - sep - 1;
            if (have < want)
                s.append(want - have, '0');
            else
                s.erase(sep + 1 + want);
        }
    }
    // The plus sign is kept only where it does not contradict the value's own sign.
    if (plus && !s.empty() && s[0] != '-')
        s.insert(0, 1, '+');
    if (!s.empty() && s.back() == kDecimalSeparator)
        s.pop_back();
    return s;
}

double TypedValue(std::string_view text, const TNumberOptions& o)
{
    double value = ParseText(text, o.numberType, o.validMinus);
    if (o.numberType == TNumberType::ntDecimal) {
        std::string plain(text);
        if (o.comma)
            plain.erase(std::remove(plain.begin(), plain.end(), kThousandSeparator), plain.end());
        value = ParseText(RoundDecimals(plain, o.figure, o.roundMode), o.numberType, o.validMinus);
    }
    return ClampValue(value, o);
}

TKeyAction ClassifyKey(char key, std::string_view text, TNumberType type, bool validMinus)
{
    if (key == 8 || key == 9 || key == 13)
        return TKeyAction::Pass;
    if (type == TNumberType::ntDecimal) {
        if (key == '+' || key == '-')
            return TKeyAction::EditSign;
        if (IsDigit(key))
            return TKeyAction::Pass;
        if (key == kDecimalSeparator)
            return text.find(kDecimalSeparator) == std::string_view::npos ? TKeyAction::Pass : TKeyAction::Discard;
        return TKeyAction::Discard;
    }
    if (IsHexDigit(key))
        return TKeyAction::Pass;
    if (key == '-' && validMinus)
        return TKeyAction::EditSign;
    if (key == '+' && !text.empty() && text[0] == '-')
        return TKeyAction::EditSign;
    return TKeyAction::Discard;
}

TTextEdit EditSign(std::string_view original, int selStart, int selLength, char key, TNumberType type)
{
    std::string t(original);
    int p = std::clamp(selStart, 0, static_cast<int>(t.size()));
    if (p == 0 && selLength > 0)
        t.erase(0, std::min(static_cast<size_t>(selLength), t.size()));
    const size_t minus = t.find('-');
    const size_t plus = t.find('+');
    if (key == '-' || type == TNumberType::ntDecimal) {
        const size_t sameAt = key == '-' ? minus : plus;
        const size_t otherAt = key == '-' ? plus : minus;
        if (sameAt != std::string::npos) {
            t.erase(sameAt, 1);
            --p;
        } else if (otherAt != std::string::npos) {
            t[otherAt] = key;
        } else {
            t.insert(0, 1, key);
            ++p;
        }
    } else if (minus != std::string::npos) {
        // "+" in hexadecimal mode only takes the minus sign away.
        t.erase(minus, 1);
    }
    return TTextEdit{t, std::clamp(p, 0, static_cast<int>(t.size()))};
}

std::optional<TTextEdit> PasteMerge(std::string_view text, int selStart, int selLength, std::string_view clip,
                                    TNumberType type)
{
    const int size = static_cast<int>(text.size());
    const int start = std::clamp(selStart, 0, size);
    const int length = std::clamp(selLength, 0, size - start);
    std::string t(text.substr(0, static_cast<size_t>(start)));
    t += text.substr(static_cast<size_t>(start + length));
    size_t p = static_cast<size_t>(start); // 0-based insertion point
    const size_t signAt = t.find_first_of("+-");
    if (signAt != std::string::npos && signAt >= p)
        return std::nullopt;
    for (char c : clip) {
        const bool sign = c == '+' || c == '-';
        if (type == TNumberType::ntHex) {
            if (!IsHexDigit(c))
                continue;
        } else if (!(IsDigit(c) || sign || c == kDecimalSeparator)) {
            continue;
        }
        if (sign && (p != 0 || HasSign(t)))
            continue;
        if (c == kDecimalSeparator && t.find(kDecimalSeparator) != std::string::npos)
            continue;
        t.insert(p, 1, c);
        ++p;
    }
    return TTextEdit{t, static_cast<int>(p)};
}

} // namespace kelvane
