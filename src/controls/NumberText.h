#pragma once
// The text rules of the numeric edit field, as pure functions on 8-bit text.
//
// The decimal separator is always "." and the thousands separator ",". Positions are 0-based
// byte offsets into the text.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelvane {

enum class TRoundMode { rmDown, rmRound, rmUp };
enum class TNumberType { ntDecimal, ntHex };
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

constexpr char kDecimalSeparator = '.';
constexpr char kThousandSeparator = ',';

// The settings of a field that shape its text and value.
struct TNumberOptions {
    TNumberType numberType = TNumberType::ntDecimal;
    bool validMinus = false;
    bool comma = false;
    int figure = -1;
    bool fixed = false;
    bool limit = false;
    bool loMax = true;
    bool loMin = true;
    double max = 0;
    double min = 0;
    TRoundMode roundMode = TRoundMode::rmDown;
};

// The number a text shows. Empty, "-" and "+" give 0; in decimal mode so does the separator
// alone, with or without a sign. Hexadecimal mode reads 64 bits with validMinus (a leading "-"
// negates), else 32 bits, two's complement ("FFFFFFFF" is -1). Decimal mode drops thousands
// separators and control characters first. Raises EConvertError for text that is not a number.
double ParseText(std::string_view text, TNumberType type, bool validMinus);

// Cuts the decimals of a plain decimal text to `figure` digits (figure < 0: unchanged), carrying
// per the mode (rmDown never, rmRound from a first dropped digit of 5, rmUp from any dropped
// non-zero digit). With figure 0 the result ends in the separator ("12.7" gives "12.").
// A text in scientific notation is first written out in plain notation when digits must go.
std::string RoundDecimals(std::string_view text, int figure, TRoundMode mode);

// "1.5E-5" -> "0.000015", "-2E3" -> "-2000". Any other text, and exponents beyond 400, unchanged.
std::string ExpandScientific(std::string_view text);

// The integer part (before the separator, or the whole text) grouped as "#,##0" and the rest
// appended unchanged; a sign stays in front. An integer part that is not a plain run of digits
// (scientific notation) is left as it is. An empty integer part becomes "0".
std::string InsertThousands(std::string_view text);

// The value clamped by the limits: first loMin against min, then loMax against max.
double ClampValue(double value, const TNumberOptions& options);

// The canonical text of value. Updates value: clamped, and in hexadecimal mode made an integer.
// currentText is the field's text before the change (a leading "+" is kept).
std::string FormatValue(double& value, std::string_view currentText, const TNumberOptions& options);

// Value while typing (after the empty and sign-only texts are handled): the text parsed, in
// decimal mode cut to `figure` decimals, then clamped. Raises EConvertError.
double TypedValue(std::string_view text, const TNumberOptions& options);

// The value cut to an integer with RoundDecimals(…, 0, mode); saturates at the type's range.
int64_t ValueToInt64(double value, TRoundMode mode);
int32_t ValueToInt32(double value, TRoundMode mode);

// Upper-case hexadecimal digits, zero-padded to at least `figure` digits (at least 1).
std::string HexDigits(uint64_t value, int figure);

// A text with the caret (and its selection collapsed) after an edit.
struct TTextEdit {
    std::string text;
    int caret = 0;
    friend bool operator==(const TTextEdit&, const TTextEdit&) = default;
};

enum class TKeyAction { Discard, Pass, EditSign };

// What a typed character does: discarded, passed to the edit control, or a sign edit.
// Backspace (8), Tab (9) and Enter (13) pass in both modes.
TKeyAction ClassifyKey(char key, std::string_view text, TNumberType type, bool validMinus);

// "+" or "-" typed with the given selection: a selection from the start of the text is deleted
// first, then the sign at the front is added, swapped or removed.
TTextEdit EditSign(std::string_view text, int selStart, int selLength, char key, TNumberType type);

// Pasting clip with the given selection: the characters that may form a number are inserted at
// the caret (a sign only at the very front of a text without one, one decimal separator at most).
// nullopt when the paste would go in front of or onto a sign: nothing happens then.
std::optional<TTextEdit> PasteMerge(std::string_view text, int selStart, int selLength,
                                    std::string_view clip, TNumberType type);

} // namespace kelvane
