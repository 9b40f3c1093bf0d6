// Bad-input catalogue: stored setting texts through the conversions that
// restore them ("Color" to a signed 32-bit number, "Check1" to a 16-bit one).
// Whatever another program or a hand edit left in the store converts or fails
// with a short description; nothing crashes.  Whether the check box takes the
// number is the store's and the check box's business, not this table's.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "bad_input_support.h"
#include "base/failure.h"
#include "base/numeric_text.h"

namespace qo {
namespace {

using bad_input::kMegabyte;
using bad_input::times;

enum class Width { k16, k32 };

struct StoredText {
  const char* name;
  Width width;
  std::wstring text;
  std::optional<std::int32_t> value;  // nothing: the conversion fails
};

void PrintTo(const StoredText& c, std::ostream* out) {
  *out << c.name << (c.width == Width::k16 ? " (16-bit) \"" : " (32-bit) \"")
       << bad_input::printable(c.text) << "\"";
}

StoredText colour(const char* name, std::wstring text, std::optional<std::int32_t> value) {
  return {name, Width::k32, std::move(text), value};
}
StoredText check1(const char* name, std::wstring text, std::optional<std::int32_t> value) {
  return {name, Width::k16, std::move(text), value};
}

class StoredSettingBadInput : public testing::TestWithParam<StoredText> {};

TEST_P(StoredSettingBadInput, ConvertsOrFailsBriefly) {
  const StoredText& c = GetParam();
  const NumberFormat format;
  const auto convert = [&]() -> std::int32_t {
    return c.width == Width::k16 ? textToInt16(c.text, format) : textToInt32(c.text, format);
  };
  if (c.value) {
    EXPECT_EQ(convert(), *c.value);
    return;
  }
  try {
    convert();
    ADD_FAILURE() << "converted, though it should fail";
  } catch (const Failure& failure) {
    EXPECT_LT(failure.description().size(), 200u);
    EXPECT_TRUE(bad_input::isWholeUtf16(failure.description()));
  }
}

constexpr std::int32_t kInt32Min = -2147483647 - 1;

INSTANTIATE_TEST_SUITE_P(
    Colour, StoredSettingBadInput,
    testing::Values(colour("empty", L"", std::nullopt),
                    colour("smallest signed", L"-2147483648", kInt32Min),
                    colour("written unsigned", L"4294967295", std::nullopt),
                    colour("system colour in hex", L"&H8000000F", -2147483633),
                    colour("blue in hex", L"&HFF0000", 16711680),
                    colour("C-style hex", L"0xFF", std::nullopt),
                    colour("a megabyte of digits", times(kMegabyte, L"9"), std::nullopt),
                    colour("a megabyte of zeros, then red", times(kMegabyte, L"0") + L"255", 255),
                    colour("NUL inside", std::wstring(L"255\0" L"0", 5), std::nullopt),
                    colour("NUL alone", std::wstring(1, L'\0'), std::nullopt),
                    colour("negative zero", L"-0", 0)));

INSTANTIATE_TEST_SUITE_P(
    Check1, StoredSettingBadInput,
    testing::Values(check1("empty", L"", std::nullopt),
                    check1("written unsigned", L"65535", std::nullopt),
                    check1("one and a half", L"1.5", 2),
                    check1("two and a half", L"2.5", 2),
                    check1("a half", L"0.5", 0),
                    check1("minus one", L"-1", -1),
                    check1("NUL after", std::wstring(L"1\0", 2), std::nullopt),
                    check1("a megabyte of ones", times(kMegabyte, L"1"), std::nullopt),
                    check1("a megabyte of blanks", times(kMegabyte, L" "), std::nullopt),
                    check1("tiny exponent", L"1e-400", 0)));

}  // namespace
}  // namespace qo
