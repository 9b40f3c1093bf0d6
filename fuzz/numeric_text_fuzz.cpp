// Fuzzes the numeric text rules: which texts read as numbers, their rounding and
// their conversion to 16- and 32-bit whole numbers.  Beyond "no crash, no
// undefined behaviour" it checks that the pieces agree with each other, that
// blanks around a text change nothing, that plain decimal texts read as the C
// library reads them, and that failure descriptions stay short and whole.
//
// Input: byte 0 picks the user's number format, byte 1 how the rest becomes text
// (UTF-16 code units, an alphabet of characters that matter to the reader, or a
// raw double for the rounding alone).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "base/failure.h"
#include "base/numeric_text.h"

namespace {

using qo::NumberFormat;

void check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "numeric_text_fuzz: invariant broken: %s\n", what);
  std::abort();
}

const NumberFormat kFormats[] = {
    {L".", L",", L"$"},            // English
    {L",", L".", L"\u20AC"},       // German
    {L",", L"\u202F", L"\u20AC"},  // French, narrow no-break space between groups
    {L".", L"'", L"CHF"},          // Swiss, a currency of several letters
    {L".", L"", L""},              // no group separator, no currency
    {L",", L" ", L"kr."},          // a blank as group separator, a dot in the currency
};

// Characters that steer the reader, plus some that should never count: other
// scripts' digits, bidi marks, NUL, both halves of a surrogate pair.
constexpr wchar_t kAlphabet[] = {
    L'0', L'1', L'5', L'7', L'9', L'.', L',', L'+', L'-', L'e', L'E', L'd', L'D', L'&',
    L'H', L'h', L'O', L'o', L'F', L'a', L' ', L'\t', L'\u00A0', L'$', L'\u20AC', L'C',
    L'\'', L'\u202F', L'\0', L'\u0663', L'\uFF15', L'\u200F', L'\u202E', L'\xD83D',
    L'\xDE00', L'k', L'r', L'x',
};

std::wstring unitsText(const std::uint8_t* data, std::size_t size) {
  std::wstring text;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
  }
  return text;
}

std::wstring alphabetText(const std::uint8_t* data, std::size_t size) {
  std::wstring text;
  for (std::size_t i = 0; i < size; ++i) text.push_back(kAlphabet[data[i] % std::size(kAlphabet)]);
  return text;
}

bool isHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

bool isWholeUtf16(std::wstring_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (isHighSurrogate(text[i])) {
      if (i + 1 >= text.size() || !isLowSurrogate(text[i + 1])) return false;
      ++i;
    } else if (isLowSurrogate(text[i])) {
      return false;
    }
  }
  return true;
}

void checkRounding(double value) {
  const double whole = qo::roundHalfEven(value);
  if (!std::isfinite(value)) {
    check(std::isnan(value) ? std::isnan(whole) : whole == value, "non-finite values pass through");
    return;
  }
  check(whole == std::floor(whole), "rounding gives a whole number");
  const double distance = std::fabs(whole - value);
  check(distance <= 0.5, "rounding moves by at most a half");
  if (distance == 0.5) check(std::fmod(whole, 2.0) == 0.0, "halves go to the even neighbour");
}

// The converted value, or nothing when the conversion threw Failure.  A Failure
// must describe itself briefly and without half a surrogate pair.
template <typename Convert>
auto attempt(Convert convert, bool wholeInput) -> std::optional<decltype(convert())> {
  try {
    return convert();
  } catch (const qo::Failure& failure) {
    const std::wstring& description = failure.description();
    check(!description.empty(), "a failure says what failed");
    check(description.size() < 200, "a failure description stays short");
    if (wholeInput) check(isWholeUtf16(description), "no half surrogate pair in a description");
    return std::nullopt;
  }
}

// What the conversion should give: the rounded value when it lies within range.
std::optional<double> expectedWhole(std::optional<double> value, double low, double high) {
  if (!value) return std::nullopt;
  const double whole = qo::roundHalfEven(*value);
  if (!(whole >= low && whole <= high)) return std::nullopt;
  return whole;
}

// A plain decimal text in ASCII: sign, digits, a fraction, an exponent.  Those
// must read exactly as strtod reads them (a value out of double range is no number).
std::optional<std::string> plainDecimal(std::wstring_view text) {
  std::string narrow;
  for (const wchar_t c : text) {
    if (c > 0x7F) return std::nullopt;
    narrow.push_back(static_cast<char>(c));
  }
  std::size_t i = 0;
  const auto digits = [&] {
    const std::size_t start = i;
    while (i < narrow.size() && narrow[i] >= '0' && narrow[i] <= '9') ++i;
    return i - start;
  };
  if (i < narrow.size() && (narrow[i] == '+' || narrow[i] == '-')) ++i;
  std::size_t mantissa = digits();
  if (i < narrow.size() && narrow[i] == '.') {
    ++i;
    mantissa += digits();
  }
  if (mantissa == 0) return std::nullopt;
  if (i < narrow.size() && (narrow[i] == 'e' || narrow[i] == 'E')) {
    ++i;
    if (i < narrow.size() && (narrow[i] == '+' || narrow[i] == '-')) ++i;
    if (digits() == 0) return std::nullopt;
  }
  if (i != narrow.size()) return std::nullopt;
  return narrow;
}

void checkAgainstStrtod(std::wstring_view text, const NumberFormat& format,
                        std::optional<double> value) {
  if (format.decimal != L"." || format.group != L",") return;
  const auto plain = plainDecimal(text);
  if (!plain) return;
  const double expected = std::strtod(plain->c_str(), nullptr);
  if (std::isinf(expected)) {
    check(!value, "a value beyond double range is no number");
  } else {
    check(value && *value == expected, "plain decimal text reads as strtod reads it");
  }
}

void checkText(std::wstring_view text, const NumberFormat& format) {
  const std::optional<double> value = qo::parseNumber(text, format);
  check(qo::isNumeric(text, format) == value.has_value(), "isNumeric agrees with parseNumber");
  if (value) {
    check(std::isfinite(*value), "a number read is finite");
    checkRounding(*value);
  }
  const std::wstring padded = L" \t" + std::wstring(text) + L"\u00A0 ";
  const auto paddedValue = qo::parseNumber(padded, format);
  check(paddedValue.has_value() == value.has_value() && (!value || *paddedValue == *value),
        "blanks around the text change nothing");
  checkAgainstStrtod(text, format, value);

  const bool whole = isWholeUtf16(text);
  const auto int16 = attempt([&] { return qo::textToInt16(text, format); }, whole);
  const auto int32 = attempt([&] { return qo::textToInt32(text, format); }, whole);
  const auto want16 = expectedWhole(value, -32768.0, 32767.0);
  const auto want32 = expectedWhole(value, -2147483648.0, 2147483647.0);
  check(int16.has_value() == want16.has_value() && (!int16 || *int16 == *want16),
        "16-bit conversion is the rounded value within range");
  check(int32.has_value() == want32.has_value() && (!int32 || *int32 == *want32),
        "32-bit conversion is the rounded value within range");
  if (value) {
    const auto round16 = attempt([&] { return qo::roundToInt16(*value); }, true);
    check(round16 == int16, "text and value conversions agree (16-bit)");
    const auto round32 = attempt([&] { return qo::roundToInt32(*value); }, true);
    check(round32 == int32, "text and value conversions agree (32-bit)");
  }
}

void checkRawDouble(const std::uint8_t* data, std::size_t size) {
  double value = 0.0;
  std::memcpy(&value, data, std::min(size, sizeof value));
  checkRounding(value);
  const auto int16 = attempt([&] { return qo::roundToInt16(value); }, true);
  const auto int32 = attempt([&] { return qo::roundToInt32(value); }, true);
  const auto want16 = std::isnan(value) ? std::nullopt : expectedWhole(value, -32768.0, 32767.0);
  const auto want32 =
      std::isnan(value) ? std::nullopt : expectedWhole(value, -2147483648.0, 2147483647.0);
  check(int16.has_value() == want16.has_value() && (!int16 || *int16 == *want16),
        "16-bit rounding of a value");
  check(int32.has_value() == want32.has_value() && (!int32 || *int32 == *want32),
        "32-bit rounding of a value");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const NumberFormat& format = kFormats[data[0] % std::size(kFormats)];
  const std::uint8_t* rest = data + 2;
  const std::size_t restSize = size - 2;
  switch (data[1] % 4) {
    case 0:
      checkText(unitsText(rest, restSize), format);
      break;
    case 3:
      checkRawDouble(rest, restSize);
      break;
    default:
      checkText(alphabetText(rest, restSize), format);
      break;
  }
  return 0;
}
