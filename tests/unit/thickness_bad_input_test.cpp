// Bad-input catalogue: thickness texts through the real "Start Drawing".  Each
// text either becomes m_Width or is reported at line 114, after which the
// overlay still opens with the earlier width.  Reports stay short and never cut
// a surrogate pair in half, whatever the user pasted (a lone half the user typed
// is shown as typed).
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

#include "forms/form1.h"
#include "bad_input_support.h"
#include "overlay/form2.h"
#include "fakes/headless_platform.h"

namespace qo {
namespace {

using bad_input::kMegabyte;
using bad_input::times;

struct ThicknessText {
  const char* name;
  std::wstring text;
  std::optional<int> width;  // nothing: reported at line 114
};

void PrintTo(const ThicknessText& c, std::ostream* out) {
  *out << c.name << " \"" << bad_input::printable(c.text) << "\"";
}

ThicknessText accepted(const char* name, std::wstring text, int width) {
  return {name, std::move(text), width};
}
ThicknessText reported(const char* name, std::wstring text) {
  return {name, std::move(text), std::nullopt};
}

class ThicknessBadInput : public testing::TestWithParam<ThicknessText> {
 protected:
  HeadlessPlatform host_{{800, 600}};
  Form1 form1_{host_.platform, host_.mainWindow};
};

constexpr int kEarlierWidth = 3;

TEST_P(ThicknessBadInput, BecomesTheWidthOrIsReportedAtLine114) {
  const ThicknessText& c = GetParam();
  form1_.form2().m_Width = kEarlierWidth;
  host_.mainWindow.setText1Text(c.text);
  form1_.PushButton2_Click();

  const auto reports = host_.messages.reportsFrom(location::kForm1StartDrawing);
  if (c.width) {
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(form1_.form2().m_Width, *c.width);
  } else {
    ASSERT_EQ(reports.size(), 1u);
    const std::wstring& text = reports[0].text;
    EXPECT_NE(text.find(L"PushButton2_Click at line 114\r\r"), std::wstring::npos);
    EXPECT_LT(text.size(), 400u) << "the report names the text, cut short";
    EXPECT_TRUE(bad_input::isWholeUtf16(text) || !bad_input::isWholeUtf16(c.text));
    EXPECT_EQ(form1_.form2().m_Width, kEarlierWidth);
  }
  EXPECT_EQ(host_.messages.shown.size(), reports.size()) << "nothing else is shown";
  EXPECT_EQ(host_.overlays.current->shows, 1) << "the overlay opens either way";
}

INSTANTIATE_TEST_SUITE_P(
    HugePastes, ThicknessBadInput,
    testing::Values(reported("digits", times(kMegabyte, L"7")),
                    reported("letters", times(kMegabyte, L"x")),
                    accepted("zeros then nine", times(kMegabyte, L"0") + L"9", 9),
                    accepted("blanks around", times(kMegabyte / 2, L" ") + L"7" +
                                                  times(kMegabyte / 2, L"\t"), 7),
                    reported("group separators", L"1" + times(kMegabyte / 2, L",1")),
                    accepted("long fraction", L"4." + times(kMegabyte, L"9"), 5)));

INSTANTIATE_TEST_SUITE_P(
    OtherScriptsDigits, ThicknessBadInput,
    testing::Values(reported("Arabic-Indic seven", L"\u0667"),
                    reported("Extended Arabic-Indic five", L"\u06F5"),
                    reported("Devanagari seven", L"\u096D"),
                    reported("Thai five", L"\u0E55"),
                    reported("fullwidth seven", L"\uFF17"),
                    reported("ASCII then Arabic-Indic", L"1\u0662"),
                    reported("superscript two", L"\u00B2")));

INSTANTIATE_TEST_SUITE_P(
    BidiAndFormatMarks, ThicknessBadInput,
    testing::Values(reported("right-to-left mark before", L"\u200F5"),
                    reported("left-to-right mark after", L"5\u200E"),
                    reported("embedding around", L"\u202B5\u202C"),
                    reported("Arabic letter mark", L"\u061C5"),
                    reported("byte order mark", L"\uFEFF5"),
                    reported("zero-width space inside", L"1\u200B2")));

INSTANTIATE_TEST_SUITE_P(
    NulCharacters, ThicknessBadInput,
    testing::Values(reported("NUL alone", std::wstring(1, L'\0')),
                    reported("NUL after", std::wstring(L"5\0", 2)),
                    reported("NUL before", std::wstring(L"\0" L"5", 2)),
                    reported("NUL inside", std::wstring(L"1\0" L"2", 3))));

INSTANTIATE_TEST_SUITE_P(
    SurrogatePairs, ThicknessBadInput,
    testing::Values(reported("mathematical bold five", L"\xD835\xDFD3"),
                    reported("digit then emoji", L"5\xD83D\xDE00"),
                    reported("lone high half", L"5\xD800"),
                    reported("lone low half", L"\xDC00" L"5"),
                    reported("pair across the cut of the report",
                             times(39, L"x") + L"\xD83D\xDE00" + times(10, L"y"))));

}  // namespace
}  // namespace qo
