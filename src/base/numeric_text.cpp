// Numeric text: which texts read as one number, what number they read as, and
// how a number becomes a 16- or 32-bit whole number.
//
// Accepted forms (blanks are space, tab and no-break space):
//
//   blanks* radix blanks*
//   blanks* lead number trail blanks*
//
//   radix    &H hex-digits | &O octal-digits   (prefix letter in either case; no sign,
//            no fraction, no blanks inside).  The value is read as two's complement:
//            up to FFFF (177777 octal) as a 16-bit value, so &HFFFF is -1 and &H8000
//            is -32768; up to FFFFFFFF (37777777777 octal) as a 32-bit value, so
//            &H10000 is 65536 and &HFFFFFFFF is -1.  Leading zeros do not count:
//            &H0FFFF is -1 too.  A larger value is not a number.
//   lead     nothing, a sign, or the currency symbol before or after the sign:
//            "-5", "$5", "-$5", "$-5".
//   trail    the currency symbol after the number ("5$"), only when the lead has none.
//            Blanks may stand on either side of the currency symbol ("$ 5", "5 $",
//            "- $5"); a sign must touch what follows it ("- 5" is not a number).
//   number   integer part, optional decimal separator and fraction, optional exponent.
//            The integer part is digits with group separators between digits, in any
//            positions ("1,000", "1,0,0"); a group separator at either end or doubled
//            is not accepted (",5", "5,", "1,,0").  At least one digit before or after
//            the decimal separator ("5.", ".5", "2.5"; "." alone is not a number).
//            The exponent is e, E, d or D, an optional sign and at least one digit.
//
// Separators and the currency symbol come from the user's NumberFormat; an empty one
// is simply not available.  Where the decimal and the group separator could both be
// read at a position, the decimal one wins.  Only the ASCII digits count.  A value
// too large for a double is not a number; one too small for it reads as 0.
#include "base/numeric_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

#include "base/failure.h"

namespace qo {
namespace {

// Reads the text from left to right.  Past the end it sees the character 0.
class Scanner {
 public:
  explicit Scanner(std::wstring_view text) : text_(text) {}

  bool atEnd() const { return pos_ >= text_.size(); }
  wchar_t peek(std::size_t ahead = 0) const {
    return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : L'\0';
  }
  void advance() { ++pos_; }
  std::size_t position() const { return pos_; }
  void rewind(std::size_t position) { pos_ = position; }

  bool startsWith(std::wstring_view part) const {
    return !part.empty() && text_.substr(pos_).starts_with(part);
  }
  bool take(std::wstring_view part) {
    if (!startsWith(part)) return false;
    pos_ += part.size();
    return true;
  }
  bool take(wchar_t c) {
    if (atEnd() || peek() != c) return false;
    ++pos_;
    return true;
  }
  void skipBlanks() {
    while (!atEnd() && (peek() == L' ' || peek() == L'\t' || peek() == L'\u00A0')) ++pos_;
  }

 private:
  std::wstring_view text_;
  std::size_t pos_ = 0;
};

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// The decimal number as read: its digits (integer part then fraction), how many of
// them belong to the fraction, and the written exponent.
struct DecimalDigits {
  bool negative = false;
  std::string digits;
  std::int64_t fractionLength = 0;
  std::int64_t exponent = 0;
};

// Digit value in the base, or -1.
int digitValue(wchar_t c, unsigned base) {
  int value = -1;
  if (isDigit(c)) value = c - L'0';
  if (c >= L'a' && c <= L'f') value = c - L'a' + 10;
  if (c >= L'A' && c <= L'F') value = c - L'A' + 10;
  return value >= 0 && static_cast<unsigned>(value) < base ? value : -1;
}

double twosComplement(std::uint64_t value) {
  const double number = static_cast<double>(value);
  if (value <= 0xFFFF) return value >= 0x8000 ? number - 65536.0 : number;
  return value >= 0x80000000u ? number - 4294967296.0 : number;
}

bool atRadixPrefix(const Scanner& s) {
  const wchar_t kind = s.peek(1);
  return s.peek() == L'&' && (kind == L'H' || kind == L'h' || kind == L'O' || kind == L'o');
}

// &H... or &O...; the scanner stands on the '&'.
std::optional<double> readRadix(Scanner& s) {
  s.advance();
  const unsigned base = (s.peek() == L'H' || s.peek() == L'h') ? 16 : 8;
  s.advance();
  std::uint64_t value = 0;
  std::size_t count = 0;
  for (int digit = digitValue(s.peek(), base); digit >= 0; digit = digitValue(s.peek(), base)) {
    value = value * base + static_cast<unsigned>(digit);
    if (value > 0xFFFFFFFFu) return std::nullopt;
    s.advance();
    ++count;
  }
  if (count == 0) return std::nullopt;
  return twosComplement(value);
}

// The currency symbol with any blanks after it; blanks before it only when it follows.
bool takeCurrency(Scanner& s, const NumberFormat& format) {
  const std::size_t start = s.position();
  s.skipBlanks();
  if (!s.take(format.currency)) {
    s.rewind(start);
    return false;
  }
  s.skipBlanks();
  return true;
}

bool takeSign(Scanner& s, bool& negative) {
  if (s.take(L'+')) return true;
  if (!s.take(L'-')) return false;
  negative = true;
  return true;
}

// Sign and currency symbol before the number; tells whether the symbol was there.
bool readLead(Scanner& s, const NumberFormat& format, bool& negative) {
  if (takeCurrency(s, format)) {
    takeSign(s, negative);
    return true;
  }
  return takeSign(s, negative) && takeCurrency(s, format);
}

// Digits with group separators between them; returns how many digits.
std::size_t readIntegerPart(Scanner& s, const NumberFormat& format, std::string& digits) {
  std::size_t count = 0;
  for (;;) {
    if (isDigit(s.peek())) {
      digits.push_back(static_cast<char>('0' + (s.peek() - L'0')));
      s.advance();
      ++count;
      continue;
    }
    if (count == 0 || s.startsWith(format.decimal) || !s.startsWith(format.group)) break;
    const std::size_t before = s.position();
    s.take(format.group);
    if (!isDigit(s.peek())) {
      s.rewind(before);
      break;
    }
  }
  return count;
}

std::size_t readDigits(Scanner& s, std::string& digits) {
  std::size_t count = 0;
  for (; isDigit(s.peek()); s.advance(), ++count) {
    digits.push_back(static_cast<char>('0' + (s.peek() - L'0')));
  }
  return count;
}

bool readMantissa(Scanner& s, const NumberFormat& format, DecimalDigits& number) {
  const std::size_t integerCount = readIntegerPart(s, format, number.digits);
  std::size_t fractionCount = 0;
  if (s.take(format.decimal)) fractionCount = readDigits(s, number.digits);
  number.fractionLength = static_cast<std::int64_t>(fractionCount);
  return integerCount + fractionCount > 0;
}

// e, E, d or D with an optional sign and digits; leaves the scanner alone otherwise.
void readExponent(Scanner& s, DecimalDigits& number) {
  constexpr std::int64_t kLimit = 1'000'000'000;  // far beyond any double
  const wchar_t letter = s.peek();
  if (letter != L'e' && letter != L'E' && letter != L'd' && letter != L'D') return;
  const std::size_t start = s.position();
  s.advance();
  bool negative = false;
  takeSign(s, negative);
  if (!isDigit(s.peek())) {
    s.rewind(start);
    return;
  }
  std::int64_t exponent = 0;
  for (; isDigit(s.peek()); s.advance()) {
    exponent = std::min(kLimit, exponent * 10 + (s.peek() - L'0'));
  }
  number.exponent = negative ? -exponent : exponent;
}

// The double nearest to the digits; nothing when it is too large for a double.
std::optional<double> toDouble(const DecimalDigits& number) {
  std::string_view digits = number.digits;
  const std::size_t first = digits.find_first_not_of('0');
  if (first == std::string_view::npos) return 0.0;
  const std::size_t last = digits.find_last_not_of('0');
  const auto trailingZeros = static_cast<std::int64_t>(digits.size() - last - 1);
  digits = digits.substr(first, last + 1 - first);
  const std::int64_t exponent = number.exponent - number.fractionLength + trailingZeros;
  const std::int64_t magnitude = exponent + static_cast<std::int64_t>(digits.size());
  if (magnitude > 400) return std::nullopt;
  if (magnitude < -400) return 0.0;
  const std::string text = std::string(digits) + 'e' + std::to_string(exponent);
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error == std::errc::result_out_of_range) {
    if (magnitude > 0) return std::nullopt;
    value = 0.0;
  } else if (error != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return number.negative && value != 0.0 ? -value : value;
}

std::optional<double> readDecimal(Scanner& s, const NumberFormat& format) {
  DecimalDigits number;
  const bool currencyFirst = readLead(s, format, number.negative);
  if (!readMantissa(s, format, number)) return std::nullopt;
  readExponent(s, number);
  if (!currencyFirst) takeCurrency(s, format);
  return toDouble(number);
}

// How a whole-number target is named in failure descriptions.
struct WholeRange {
  double low;
  double high;
  const wchar_t* name;
};

constexpr WholeRange kInt16Range{-32768.0, 32767.0, L"a 16-bit whole number (-32768 to 32767)"};
constexpr WholeRange kInt32Range{-2147483648.0, 2147483647.0,
                                 L"a 32-bit whole number (-2147483648 to 2147483647)"};

// The text in quotes for a failure description; a long text is cut short.
std::wstring quoted(std::wstring_view text) {
  constexpr std::size_t kShown = 40;
  if (text.size() <= kShown) return L"\"" + std::wstring(text) + L"\"";
  std::wstring_view shown = text.substr(0, kShown);
  const wchar_t lastShown = shown.back();
  if (lastShown >= 0xD800 && lastShown <= 0xDBFF) shown.remove_suffix(1);  // half a pair
  return L"\"" + std::wstring(shown) + L"...\"";
}

// Shortest decimal text that reads back as the value.
std::wstring describeValue(double value) {
  if (std::isinf(value)) return value > 0 ? L"Infinity" : L"-Infinity";
  // Plain digits while they stay short; an exponent beyond that.
  char buffer[64];
  const auto result =
      std::fabs(value) < 1e15
          ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed)
          : std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::wstring(buffer, result.ptr);
}

std::wstring outOfRange(const std::wstring& shown, const WholeRange& range) {
  return shown + L" is outside the range of " + range.name + L".";
}

// The rounded value when it lies within the range; never for NaN.
std::optional<double> roundedWithin(double value, const WholeRange& range) {
  const double whole = roundHalfEven(value);
  if (!(whole >= range.low && whole <= range.high)) return std::nullopt;
  return whole;
}

double valueToWhole(double value, const WholeRange& range) {
  if (std::isnan(value)) throw Failure(L"NaN is not a number.");
  const auto whole = roundedWithin(value, range);
  if (!whole) throw Failure(outOfRange(describeValue(value), range));
  return *whole;
}

double textToWhole(std::wstring_view text, const NumberFormat& format, const WholeRange& range) {
  const auto value = parseNumber(text, format);
  if (!value) throw Failure(quoted(text) + L" is not a number.");
  const auto whole = roundedWithin(*value, range);
  if (!whole) throw Failure(outOfRange(quoted(text), range));
  return *whole;
}

}  // namespace

std::optional<double> parseNumber(std::wstring_view text, const NumberFormat& format) {
  Scanner s(text);
  s.skipBlanks();
  const auto value = atRadixPrefix(s) ? readRadix(s) : readDecimal(s, format);
  s.skipBlanks();
  if (!value || !s.atEnd()) return std::nullopt;
  return value;
}

// Done by hand rather than with the floating-point unit's rounding mode, which
// other code may have changed: floor, the difference and the step up are exact.
double roundHalfEven(double value) {
  if (!std::isfinite(value)) return value;
  const double below = std::floor(value);
  const double fraction = value - below;
  if (fraction > 0.5) return below + 1.0;
  if (fraction < 0.5) return below;
  return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

std::int16_t roundToInt16(double value) {
  return static_cast<std::int16_t>(valueToWhole(value, kInt16Range));
}

std::int32_t roundToInt32(double value) {
  return static_cast<std::int32_t>(valueToWhole(value, kInt32Range));
}

std::int16_t textToInt16(std::wstring_view text, const NumberFormat& format) {
  return static_cast<std::int16_t>(textToWhole(text, format, kInt16Range));
}

std::int32_t textToInt32(std::wstring_view text, const NumberFormat& format) {
  return static_cast<std::int32_t>(textToWhole(text, format, kInt32Range));
}

}  // namespace qo
