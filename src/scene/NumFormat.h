#pragma once
// Number texts as scenes and settings hold them: always "." as the decimal separator.
#include <cstdint>
#include <string>
#include <string_view>

namespace kelvane {

// General decimal form: rounded to 15 significant digits, no trailing zeros and no trailing
// separator; magnitudes below 0.0001 and from 1E15 up in scientific notation ("1E-5", "1.5E20").
std::string FloatToStr(double value);
// Fixed-point form with exactly `decimals` digits after the "." (rounded), whatever the locale.
std::string FixedToStr(double value, int decimals);

// Reads a decimal number (optional sign, digits, ".", digits, optional exponent), surrounding
// blanks allowed. Returns false on anything else.
bool TryStrToFloat(std::string_view text, double& value);
// As TryStrToFloat; raises EConvertError "'text' is not a valid floating point value".
double StrToFloat(std::string_view text);

// Decimal integer with optional sign; "0x"/"$" hexadecimal as well when allowHex.
bool TryStrToInt64(std::string_view text, int64_t& value, bool allowHex = false);
// As TryStrToInt64 (hex allowed); raises EConvertError "'text' is not a valid integer value".
int64_t StrToInt64(std::string_view text);

} // namespace kelvane
