#include "base/numeric_text.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <ostream>
#include <string>
#include <utility>

#include "base/failure.h"
#include "bad_input_support.h"

namespace qo {
namespace {

const NumberFormat kUs{L".", L",", L"$"};
const NumberFormat kGerman{L",", L".", L"\u20AC"};
const NumberFormat kFrench{L",", L"\u00A0", L"\u20AC"};
const NumberFormat kSwedish{L",", L" ", L"kr"};
const NumberFormat kSameSeparators{L".", L".", L"$"};
const NumberFormat kDeutscheMark{L",", L".", L"DM"};
const NumberFormat kNoSeparators{L"", L"", L""};

using bad_input::printable;

std::string formatName(const NumberFormat& format) {
  return "{" + printable(format.decimal) + " " + printable(format.group) + " " +
         printable(format.currency) + "}";
}

std::wstring repeated(std::size_t count, wchar_t c) { return std::wstring(count, c); }

// ---------------------------------------------------------------------------
// Texts that read as a number.

struct NumberCase {
  const NumberFormat* format;
  std::wstring text;
  double expected;
};

std::ostream& operator<<(std::ostream& out, const NumberCase& c) {
  return out << formatName(*c.format) << " \"" << printable(c.text) << "\"";
}

class NumericTextAccepts : public ::testing::TestWithParam<NumberCase> {};

TEST_P(NumericTextAccepts, ReadsTheNumber) {
  const NumberCase& c = GetParam();
  const auto value = parseNumber(c.text, *c.format);
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(*value, c.expected);
  EXPECT_TRUE(isNumeric(c.text, *c.format));
}

INSTANTIATE_TEST_SUITE_P(PlainAndSigned, NumericTextAccepts,
                         ::testing::Values(NumberCase{&kUs, L"0", 0}, NumberCase{&kUs, L"5", 5},
                                           NumberCase{&kUs, L"007", 7}, NumberCase{&kUs, L"-3", -3},
                                           NumberCase{&kUs, L"+3", 3}, NumberCase{&kUs, L"-0", 0},
                                           NumberCase{&kUs, L"2147483648", 2147483648.0},
                                           NumberCase{&kUs, L"123456789012345678901234567890",
                                                      1.2345678901234568e29}));

INSTANTIATE_TEST_SUITE_P(BlanksAround, NumericTextAccepts,
                         ::testing::Values(NumberCase{&kUs, L" 5", 5}, NumberCase{&kUs, L"5 ", 5},
                                           NumberCase{&kUs, L"\t 42 \t", 42},
                                           NumberCase{&kUs, L"\u00A0-5\u00A0", -5},
                                           NumberCase{&kUs, L"  2.5e1  ", 25}));

INSTANTIATE_TEST_SUITE_P(
    Fractions, NumericTextAccepts,
    ::testing::Values(NumberCase{&kUs, L"2.5", 2.5}, NumberCase{&kUs, L".5", 0.5},
                      NumberCase{&kUs, L"5.", 5}, NumberCase{&kUs, L"-.5", -0.5},
                      NumberCase{&kUs, L"0.1", 0.1}, NumberCase{&kUs, L"32767.5", 32767.5},
                      NumberCase{&kUs, L"0." + repeated(300, L'0') + L"1e301", 1.0}));

INSTANTIATE_TEST_SUITE_P(GroupSeparators, NumericTextAccepts,
                         ::testing::Values(NumberCase{&kUs, L"1,000", 1000},
                                           NumberCase{&kUs, L"1,0,0", 100},
                                           NumberCase{&kUs, L"12,34,567.25", 1234567.25},
                                           NumberCase{&kUs, L"-1,000.5", -1000.5},
                                           NumberCase{&kUs, L"1,000e-3", 1}));

INSTANTIATE_TEST_SUITE_P(
    Exponents, NumericTextAccepts,
    ::testing::Values(NumberCase{&kUs, L"1e3", 1000}, NumberCase{&kUs, L"1E+3", 1000},
                      NumberCase{&kUs, L"2.5e-1", 0.25}, NumberCase{&kUs, L"1d2", 100},
                      NumberCase{&kUs, L"1D-2", 0.01}, NumberCase{&kUs, L"5.e1", 50},
                      NumberCase{&kUs, L".5e1", 5}, NumberCase{&kUs, L"1e0003", 1000},
                      NumberCase{&kUs, L"1.7976931348623157e308",
                                 std::numeric_limits<double>::max()},
                      NumberCase{&kUs, L"1e-400", 0}, NumberCase{&kUs, L"-1e-400", 0},
                      NumberCase{&kUs, L"0e999999999999999999999", 0}));

INSTANTIATE_TEST_SUITE_P(Currency, NumericTextAccepts,
                         ::testing::Values(NumberCase{&kUs, L"$5", 5}, NumberCase{&kUs, L"-$5", -5},
                                           NumberCase{&kUs, L"$-5", -5}, NumberCase{&kUs, L"5$", 5},
                                           NumberCase{&kUs, L"-5$", -5},
                                           NumberCase{&kUs, L"$ 5", 5}, NumberCase{&kUs, L"5 $", 5},
                                           NumberCase{&kUs, L"- $5", -5},
                                           NumberCase{&kUs, L"$ -5", -5},
                                           NumberCase{&kUs, L" $1,234.50 ", 1234.5},
                                           NumberCase{&kUs, L"$1e3", 1000}));

INSTANTIATE_TEST_SUITE_P(
    CommaDecimalLocales, NumericTextAccepts,
    ::testing::Values(NumberCase{&kGerman, L"2,5", 2.5}, NumberCase{&kGerman, L"1.000", 1000},
                      NumberCase{&kGerman, L"1.000,5", 1000.5}, NumberCase{&kGerman, L",5", 0.5},
                      NumberCase{&kGerman, L"2.5", 25}, NumberCase{&kGerman, L"-2,5e1", -25},
                      NumberCase{&kGerman, L"5\u20AC", 5}, NumberCase{&kGerman, L"5 \u20AC", 5},
                      NumberCase{&kGerman, L"\u20AC-5", -5},
                      NumberCase{&kFrench, L"1\u00A0000,5", 1000.5},
                      NumberCase{&kFrench, L"1\u00A0000\u00A0", 1000},
                      NumberCase{&kFrench, L"5\u00A0\u20AC", 5},
                      NumberCase{&kSwedish, L"1 000 000", 1e6},
                      NumberCase{&kSwedish, L"1 000 kr", 1000}, NumberCase{&kSwedish, L"kr 5", 5},
                      NumberCase{&kSwedish, L"5kr", 5}, NumberCase{&kSwedish, L" 3,25 ", 3.25}));

INSTANTIATE_TEST_SUITE_P(SeparatorOverlaps, NumericTextAccepts,
                         ::testing::Values(NumberCase{&kSameSeparators, L"1.5", 1.5},
                                           NumberCase{&kSameSeparators, L"15", 15},
                                           NumberCase{&kDeutscheMark, L"5DM", 5},
                                           NumberCase{&kDeutscheMark, L"5D3", 5000},
                                           NumberCase{&kDeutscheMark, L"5D3DM", 5000},
                                           NumberCase{&kDeutscheMark, L"5 DM", 5},
                                           NumberCase{&kDeutscheMark, L"DM5", 5},
                                           NumberCase{&kNoSeparators, L"25", 25}));

INSTANTIATE_TEST_SUITE_P(
    HexAndOctal, NumericTextAccepts,
    ::testing::Values(
        NumberCase{&kUs, L"&H0", 0}, NumberCase{&kUs, L"&H10", 16}, NumberCase{&kUs, L"&H1e3", 483},
        NumberCase{&kUs, L"&H7FFF", 32767}, NumberCase{&kUs, L"&H8000", -32768},
        NumberCase{&kUs, L"&HFFFF", -1}, NumberCase{&kUs, L"&hffff", -1},
        NumberCase{&kUs, L"&H0FFFF", -1}, NumberCase{&kUs, L"&H10000", 65536},
        NumberCase{&kUs, L"&H7FFFFFFF", 2147483647}, NumberCase{&kUs, L"&H80000000", -2147483648.0},
        NumberCase{&kUs, L"&HFFFFFFFF", -1}, NumberCase{&kUs, L"&H00000000FFFFFFFF", -1},
        NumberCase{&kUs, L" &HA ", 10}, NumberCase{&kUs, L"&O17", 15},
        NumberCase{&kUs, L"&o77777", 32767}, NumberCase{&kUs, L"&O100000", -32768},
        NumberCase{&kUs, L"&O177777", -1}, NumberCase{&kUs, L"&O200000", 65536},
        NumberCase{&kUs, L"&O17777777777", 2147483647},
        NumberCase{&kUs, L"&O20000000000", -2147483648.0}, NumberCase{&kUs, L"&O37777777777", -1},
        NumberCase{&kGerman, L"&HFF", 255}));

// ---------------------------------------------------------------------------
// Texts that are not a number.

struct TextCase {
  const NumberFormat* format;
  std::wstring text;
};

std::ostream& operator<<(std::ostream& out, const TextCase& c) {
  return out << formatName(*c.format) << " \"" << printable(c.text) << "\"";
}

class NumericTextRejects : public ::testing::TestWithParam<TextCase> {};

TEST_P(NumericTextRejects, IsNotANumber) {
  const TextCase& c = GetParam();
  EXPECT_FALSE(parseNumber(c.text, *c.format).has_value());
  EXPECT_FALSE(isNumeric(c.text, *c.format));
}

INSTANTIATE_TEST_SUITE_P(EmptyAndWords, NumericTextRejects,
                         ::testing::Values(TextCase{&kUs, L""}, TextCase{&kUs, L" "},
                                           TextCase{&kUs, L"\t"}, TextCase{&kUs, L"\u00A0"},
                                           TextCase{&kUs, L"abc"}, TextCase{&kUs, L"True"},
                                           TextCase{&kUs, L"False"}, TextCase{&kUs, L"5abc"},
                                           TextCase{&kUs, L"0x10"}, TextCase{&kUs, L"\uFF11"}));

INSTANTIATE_TEST_SUITE_P(LoneSignsAndSeparators, NumericTextRejects,
                         ::testing::Values(TextCase{&kUs, L"-"}, TextCase{&kUs, L"+"},
                                           TextCase{&kUs, L"$"}, TextCase{&kUs, L"."},
                                           TextCase{&kUs, L","}, TextCase{&kUs, L"-$"},
                                           TextCase{&kUs, L"$-"}, TextCase{&kUs, L" - "},
                                           TextCase{&kUs, L"-."}, TextCase{&kGerman, L","},
                                           TextCase{&kGerman, L"\u20AC"}));

INSTANTIATE_TEST_SUITE_P(InfinityAndOverflow, NumericTextRejects,
                         ::testing::Values(TextCase{&kUs, L"Infinity"}, TextCase{&kUs, L"inf"},
                                           TextCase{&kUs, L"-inf"}, TextCase{&kUs, L"NaN"},
                                           TextCase{&kUs, L"nan"}, TextCase{&kUs, L"1e400"},
                                           TextCase{&kUs, L"-1e400"}, TextCase{&kUs, L"1.8e308"},
                                           TextCase{&kUs, L"1e99999999999999999999"},
                                           TextCase{&kUs, L"1" + repeated(400, L'0')}));

INSTANTIATE_TEST_SUITE_P(
    MalformedNumbers, NumericTextRejects,
    ::testing::Values(TextCase{&kUs, L"1 2"}, TextCase{&kUs, L"1..2"}, TextCase{&kUs, L"1.2.3"},
                      TextCase{&kUs, L"--5"}, TextCase{&kUs, L"+-5"}, TextCase{&kUs, L"- 5"},
                      TextCase{&kUs, L"5-"}, TextCase{&kUs, L"(5)"}, TextCase{&kUs, L"e3"},
                      TextCase{&kUs, L"1e"}, TextCase{&kUs, L"1e+"}, TextCase{&kUs, L"1e3.5"},
                      TextCase{&kUs, L"1e3e3"}, TextCase{&kUs, L"5 e3"}, TextCase{&kUs, L"5e 3"}));

INSTANTIATE_TEST_SUITE_P(
    MisplacedGroupSeparators, NumericTextRejects,
    ::testing::Values(TextCase{&kUs, L",5"}, TextCase{&kUs, L"5,"}, TextCase{&kUs, L"1,,000"},
                      TextCase{&kUs, L"1,.5"}, TextCase{&kUs, L"1.000,5"}, TextCase{&kUs, L"-,5"},
                      TextCase{&kUs, L"1,000$,"}, TextCase{&kGerman, L"1,000,5"},
                      TextCase{&kGerman, L".5"}, TextCase{&kSameSeparators, L"1.000.000"}));

INSTANTIATE_TEST_SUITE_P(MisplacedCurrency, NumericTextRejects,
                         ::testing::Values(TextCase{&kUs, L"$5$"}, TextCase{&kUs, L"5$$"},
                                           TextCase{&kUs, L"$$5"}, TextCase{&kUs, L"5$-"},
                                           TextCase{&kUs, L"$ - 5"}, TextCase{&kUs, L"\u20AC5"},
                                           TextCase{&kGerman, L"$5"},
                                           TextCase{&kNoSeparators, L"2.5"},
                                           TextCase{&kNoSeparators, L"$5"}));

INSTANTIATE_TEST_SUITE_P(
    BadHexAndOctal, NumericTextRejects,
    ::testing::Values(TextCase{&kUs, L"&"}, TextCase{&kUs, L"&H"}, TextCase{&kUs, L"&O"},
                      TextCase{&kUs, L"&HG"}, TextCase{&kUs, L"&O8"}, TextCase{&kUs, L"&H-1"},
                      TextCase{&kUs, L"-&H1"}, TextCase{&kUs, L"+&H1"}, TextCase{&kUs, L"$&H1"},
                      TextCase{&kUs, L"&H1$"}, TextCase{&kUs, L"&H1.5"}, TextCase{&kUs, L"&H1g"},
                      TextCase{&kUs, L"& H1"}, TextCase{&kUs, L"&H 1"}, TextCase{&kUs, L"&H1 2"},
                      TextCase{&kUs, L"&H1,000"}, TextCase{&kUs, L"&X10"},
                      TextCase{&kUs, L"&H100000000"}, TextCase{&kUs, L"&HFFFFFFFFF"},
                      TextCase{&kUs, L"&O40000000000"}));

// ---------------------------------------------------------------------------
// Rounding halves to even.

struct RoundCase {
  double value;
  double expected;
};

std::ostream& operator<<(std::ostream& out, const RoundCase& c) {
  return out << c.value << " -> " << c.expected;
}

class RoundHalfEvenTest : public ::testing::TestWithParam<RoundCase> {};

TEST_P(RoundHalfEvenTest, GoesToTheNearestHalvesToEven) {
  EXPECT_EQ(roundHalfEven(GetParam().value), GetParam().expected);
}

TEST_P(RoundHalfEvenTest, IgnoresTheRoundingModeOfTheProcessor) {
  const int saved = std::fegetround();
  for (const int mode : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
    ASSERT_EQ(std::fesetround(mode), 0);
    const double result = roundHalfEven(GetParam().value);
    std::fesetround(saved);
    EXPECT_EQ(result, GetParam().expected) << "rounding mode " << mode;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Values, RoundHalfEvenTest,
    ::testing::Values(RoundCase{0, 0}, RoundCase{0.5, 0}, RoundCase{1.5, 2}, RoundCase{2.5, 2},
                      RoundCase{3.5, 4}, RoundCase{-0.5, 0}, RoundCase{-1.5, -2},
                      RoundCase{-2.5, -2}, RoundCase{-3.5, -4}, RoundCase{2.4, 2},
                      RoundCase{2.6, 3}, RoundCase{-2.4, -2}, RoundCase{-2.6, -3},
                      RoundCase{0.49999999999999994, 0}, RoundCase{2.4999999999999996, 2},
                      RoundCase{2.5000000000000004, 3}, RoundCase{32767.5, 32768},
                      RoundCase{-32768.5, -32768}, RoundCase{4503599627370495.5, 4503599627370496},
                      RoundCase{4503599627370497.0, 4503599627370497.0}, RoundCase{1e300, 1e300}));

TEST(RoundHalfEvenSpecials, PassesInfinityAndNanThrough) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(roundHalfEven(inf), inf);
  EXPECT_EQ(roundHalfEven(-inf), -inf);
  EXPECT_TRUE(std::isnan(roundHalfEven(std::numeric_limits<double>::quiet_NaN())));
}

// ---------------------------------------------------------------------------
// Whole numbers from values and texts.

enum class Outcome { kValue, kNotANumber, kOutOfRange };

struct WholeCase {
  std::wstring text;  // for the value cases: shown in names only
  double value;
  Outcome outcome;
  std::int32_t expected;
};

std::ostream& operator<<(std::ostream& out, const WholeCase& c) {
  return out << "\"" << printable(c.text) << "\" / " << c.value;
}

WholeCase fits(double value, std::int32_t expected) {
  return {L"", value, Outcome::kValue, expected};
}
WholeCase overflows(double value) { return {L"", value, Outcome::kOutOfRange, 0}; }
WholeCase reads(std::wstring text, std::int32_t expected) {
  return {std::move(text), 0, Outcome::kValue, expected};
}
WholeCase outOfRange(std::wstring text) { return {std::move(text), 0, Outcome::kOutOfRange, 0}; }
WholeCase notANumber(std::wstring text) { return {std::move(text), 0, Outcome::kNotANumber, 0}; }

// Runs the conversion and checks the result or the kind of failure.
template <typename Convert>
void expectOutcome(const WholeCase& c, Convert convert, const std::wstring& shown) {
  if (c.outcome == Outcome::kValue) {
    EXPECT_EQ(convert(), c.expected);
    return;
  }
  try {
    convert();
    ADD_FAILURE() << "no failure";
  } catch (const Failure& failure) {
    const std::wstring& description = failure.description();
    const std::wstring wanted =
        c.outcome == Outcome::kNotANumber ? L" is not a number." : L" is outside the range of ";
    EXPECT_NE(description.find(wanted), std::wstring::npos) << printable(description);
    EXPECT_EQ(description.rfind(shown, 0), 0u) << printable(description);
  }
}

class RoundToInt16Test : public ::testing::TestWithParam<WholeCase> {};

TEST_P(RoundToInt16Test, RoundsAndChecksTheRange) {
  const WholeCase& c = GetParam();
  expectOutcome(
      c, [&] { return std::int32_t{roundToInt16(c.value)}; }, L"");
}

INSTANTIATE_TEST_SUITE_P(Values, RoundToInt16Test,
                         ::testing::Values(fits(0.5, 0), fits(-0.5, 0), fits(1.5, 2), fits(2.5, 2),
                                           fits(-2.5, -2), fits(32767, 32767), fits(32767.4, 32767),
                                           fits(32766.5, 32766), fits(-32768, -32768),
                                           fits(-32768.5, -32768), overflows(32767.5),
                                           overflows(32768), overflows(-32768.6), overflows(-32769),
                                           overflows(1e5),
                                           overflows(std::numeric_limits<double>::infinity()),
                                           overflows(-std::numeric_limits<double>::infinity())));

class RoundToInt32Test : public ::testing::TestWithParam<WholeCase> {};

TEST_P(RoundToInt32Test, RoundsAndChecksTheRange) {
  const WholeCase& c = GetParam();
  expectOutcome(
      c, [&] { return roundToInt32(c.value); }, L"");
}

INSTANTIATE_TEST_SUITE_P(
    Values, RoundToInt32Test,
    ::testing::Values(fits(0.5, 0), fits(-0.5, 0), fits(1.5, 2), fits(2.5, 2), fits(32768, 32768),
                      fits(2147483647, 2147483647), fits(2147483647.4, 2147483647),
                      fits(2147483646.5, 2147483646), fits(-2147483648.0, -2147483647 - 1),
                      fits(-2147483648.5, -2147483647 - 1), overflows(2147483647.5),
                      overflows(2147483648.0), overflows(-2147483648.6), overflows(-2147483649.0),
                      overflows(1e300)));

TEST(RoundToWholeNan, IsNotANumber) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_THROW(roundToInt16(nan), Failure);
  EXPECT_THROW(roundToInt32(nan), Failure);
}

class NumericTextToInt16 : public ::testing::TestWithParam<WholeCase> {};

TEST_P(NumericTextToInt16, ConvertsOrFailsNamingTheText) {
  const WholeCase& c = GetParam();
  expectOutcome(
      c, [&] { return std::int32_t{textToInt16(c.text, kUs)}; }, L"\"" + c.text + L"\"");
}

INSTANTIATE_TEST_SUITE_P(
    Texts, NumericTextToInt16,
    ::testing::Values(reads(L"5", 5), reads(L" 7 ", 7), reads(L"-3", -3), reads(L"2.5", 2),
                      reads(L"3.5", 4), reads(L"-0.5", 0), reads(L"0.5", 0), reads(L"1.5", 2),
                      reads(L"-2.5", -2), reads(L"32767", 32767), reads(L"32767.4", 32767),
                      reads(L"-32768", -32768), reads(L"-32768.5", -32768), reads(L"1e3", 1000),
                      reads(L"1,000", 1000), reads(L"$12", 12), reads(L"&HFFFF", -1),
                      reads(L"&H7FFF", 32767), reads(L"&H8000", -32768), reads(L"&O177777", -1),
                      reads(L"&HFFFFFFFF", -1), reads(L"&h" + std::wstring(1000, L'0') + L"1", 1),
                      reads(L"4.9e-324", 0), reads(L"1e-999999999999999999", 0),
                      reads(L"1" + std::wstring(400, L'0') + L"e-399", 10), outOfRange(L"32768"), outOfRange(L"-32769"), outOfRange(L"1e5"),
                      outOfRange(L"32767.5"), outOfRange(L"-32768.6"), outOfRange(L"&H10000"),
                      outOfRange(L"&O200000"), outOfRange(L"12345678"), notANumber(L""),
                      notANumber(L"   "), notANumber(L"abc"), notANumber(L"True"),
                      notANumber(L"1e309"), notANumber(L"&H100000000")));

class NumericTextToInt32 : public ::testing::TestWithParam<WholeCase> {};

TEST_P(NumericTextToInt32, ConvertsOrFailsNamingTheText) {
  const WholeCase& c = GetParam();
  expectOutcome(
      c, [&] { return textToInt32(c.text, kUs); }, L"\"" + c.text + L"\"");
}

INSTANTIATE_TEST_SUITE_P(
    Texts, NumericTextToInt32,
    ::testing::Values(reads(L"255", 255), reads(L"16711680", 16711680),
                      reads(L"-2147483633", -2147483633), reads(L"2147483647", 2147483647),
                      reads(L"2147483647.4", 2147483647), reads(L"-2147483648.5", -2147483647 - 1),
                      reads(L"2.5", 2), reads(L"&HFFFFFFFF", -1),
                      reads(L"&H80000000", -2147483647 - 1), reads(L"&H8000", -32768),
                      reads(L"&H10000", 65536), outOfRange(L"2147483647.5"),
                      outOfRange(L"2147483648"), outOfRange(L"-2147483649"), outOfRange(L"1e10"),
                      notANumber(L""), notANumber(L"abc"), notANumber(L"False"),
                      notANumber(L"1e400")));

TEST(NumericTextLocale, ConvertsWithACommaDecimalSeparator) {
  EXPECT_EQ(textToInt16(L"2,5", kGerman), 2);
  EXPECT_EQ(textToInt16(L"3,5", kGerman), 4);
  EXPECT_EQ(textToInt32(L"1.000.000", kGerman), 1000000);
  EXPECT_EQ(textToInt16(L"1.5", kGerman), 15);
  EXPECT_EQ(textToInt16(L"2,5", kUs), 25);  // the comma only groups digits there
}

// ---------------------------------------------------------------------------
// Failure descriptions.

std::wstring descriptionOf(auto convert) {
  try {
    convert();
  } catch (const Failure& failure) {
    return failure.description();
  }
  return L"(no failure)";
}

TEST(NumericTextFailures, DescriptionsNameTheTextOrValue) {
  EXPECT_EQ(descriptionOf([] { textToInt16(L"abc", kUs); }), L"\"abc\" is not a number.");
  EXPECT_EQ(descriptionOf([] { textToInt16(L"", kUs); }), L"\"\" is not a number.");
  EXPECT_EQ(descriptionOf([] { textToInt16(L"12345678", kUs); }),
            L"\"12345678\" is outside the range of a 16-bit whole number (-32768 to 32767).");
  EXPECT_EQ(descriptionOf([] { textToInt32(L"3e9", kUs); }),
            L"\"3e9\" is outside the range of a 32-bit whole number "
            L"(-2147483648 to 2147483647).");
  EXPECT_EQ(descriptionOf([] { roundToInt16(32767.5); }),
            L"32767.5 is outside the range of a 16-bit whole number (-32768 to 32767).");
  EXPECT_EQ(descriptionOf([] { roundToInt16(1e20); }),
            L"1e+20 is outside the range of a 16-bit whole number (-32768 to 32767).");
  EXPECT_EQ(descriptionOf([] { roundToInt32(-3e9); }),
            L"-3000000000 is outside the range of a 32-bit whole number "
            L"(-2147483648 to 2147483647).");
}

TEST(NumericTextFailures, LongTextIsCutShortInTheDescription) {
  const std::wstring text = repeated(100, L'x');
  EXPECT_EQ(descriptionOf([&] { textToInt32(text, kUs); }),
            L"\"" + repeated(40, L'x') + L"...\" is not a number.");
}

}  // namespace
}  // namespace qo
