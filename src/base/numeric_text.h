#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "base/services.h"

namespace qo {

// Reads the whole text as one number under the user's conventions: blanks
// before and after, a sign, the currency symbol, digit-group separators, a
// decimal separator with a fraction and an exponent part; integers written with
// the prefixes &H (hexadecimal) and &O (octal).  Nothing when the text is not
// one number.
std::optional<double> parseNumber(std::wstring_view text, const NumberFormat& format);

inline bool isNumeric(std::wstring_view text, const NumberFormat& format) {
  return parseNumber(text, format).has_value();
}

// Nearest integer, halves to the even neighbour (2.5 gives 2, 3.5 gives 4).
double roundHalfEven(double value);

// Rounded halves to even into a 16- or 32-bit signed integer; throws Failure when
// the value does not fit.
std::int16_t roundToInt16(double value);
std::int32_t roundToInt32(double value);

// Numeric text to a 16- or 32-bit signed integer; throws Failure for text that is
// not a number and for a number that does not fit.
std::int16_t textToInt16(std::wstring_view text, const NumberFormat& format);
std::int32_t textToInt32(std::wstring_view text, const NumberFormat& format);

}  // namespace qo
