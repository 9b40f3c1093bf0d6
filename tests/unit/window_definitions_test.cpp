#include "ui/window_definitions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "base/common_dialog.h"

namespace qo {
namespace {

const ControlDefinition& named(std::wstring_view name) {
  const auto controls = form1Definition().controls;
  return *std::find_if(controls.begin(), controls.end(),
                       [&](const ControlDefinition& c) { return c.name == name; });
}

TEST(WindowDefinitions, MainWindowIsLaidOutInPixelsAsDesigned) {
  EXPECT_EQ(twipsToPixels(form1Definition().clientWidth, 96), 536);
  EXPECT_EQ(twipsToPixels(form1Definition().clientHeight, 96), 237);
  EXPECT_EQ(pixelRect(named(L"Frame2"), 96), (Rect{8, 8, 528, 64}));
  EXPECT_EQ(pixelRect(named(L"Text1"), 96), (Rect{80, 20, 153, 42}));
  EXPECT_EQ(pixelRect(named(L"Picture1"), 96), (Rect{224, 20, 297, 42}));
  EXPECT_EQ(pixelRect(named(L"Frame1"), 96), (Rect{8, 68, 528, 139}));
  EXPECT_EQ(pixelRect(named(L"Frame3"), 96), (Rect{8, 144, 528, 193}));
  EXPECT_EQ(pixelRect(named(L"PushButton2"), 96), (Rect{8, 202, 528, 229}));
}

TEST(WindowDefinitions, ScalesWithTheWindowsDpi) {
  EXPECT_EQ(twipsToPixels(8040, 144), 804);
  EXPECT_EQ(twipsToPixels(375, 144), 38) << "37.5 rounds up";
  EXPECT_EQ(twipsToPixels(375, 96), 25);
  EXPECT_EQ(twipsToPixels(8040, 192), 1072);
}

TEST(WindowDefinitions, HighContrastKeepsASystemBackgroundWithItsOwnText) {
  EXPECT_EQ(paintColours({kButtonFace, kBlack}, true), (PaintColours{kButtonFace, kButtonText}));
  EXPECT_EQ(paintColours({kWindowBackground, kBlack}, true).text, kWindowText);
}

TEST(WindowDefinitions, ControlsComeInCreationOrder) {
  std::wstring order;
  for (const auto& c : form1Definition().controls) order += std::wstring(c.name) + L" ";
  EXPECT_EQ(order,
            L"Frame3 Check1 Frame1 Label2 Label1 Frame2 Picture1 Text1 Label4 Label3 "
            L"CommonDialog1 PushButton2 SkinFramework1 ");
}

TEST(WindowDefinitions, TabOrderVisitsTheFourInputsFirst) {
  std::vector<const ControlDefinition*> stops;
  for (const auto& c : form1Definition().controls) {
    if (c.tabIndex != kNoTabIndex) stops.push_back(&c);
  }
  std::sort(stops.begin(), stops.end(), [](auto* a, auto* b) { return a->tabIndex < b->tabIndex; });
  ASSERT_GE(stops.size(), 4u);
  EXPECT_EQ(stops[0]->name, L"Text1");
  EXPECT_EQ(stops[1]->name, L"Picture1");
  EXPECT_EQ(stops[2]->name, L"Check1");
  EXPECT_EQ(stops[3]->name, L"PushButton2");
}

TEST(WindowDefinitions, OverlayPreviewBoxIs25PixelsSquare) {
  const auto& picMain = form2Definition().controls[0];
  EXPECT_EQ(picMain.name, L"picMain");
  const Rect r = pixelRect(picMain, 96);
  EXPECT_EQ(r.width(), 25);
  EXPECT_EQ(r.height(), 25);
  EXPECT_EQ(form2Definition().caption, L"");
}

struct FilterCase {
  const wchar_t* text;
  std::vector<FileFilter> expected;
};

class Filter : public testing::TestWithParam<FilterCase> {};

TEST_P(Filter, ReadsDescriptionPatternPairs) {
  EXPECT_EQ(parseFilter(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Filter,
    testing::Values(FilterCase{L"BMP Files (*.bmp)|*.bmp|", {{L"BMP Files (*.bmp)", L"*.bmp"}}},
                    FilterCase{L"BMP Files (*.bmp)|*.bmp", {{L"BMP Files (*.bmp)", L"*.bmp"}}},
                    FilterCase{L"A|*.a|B|*.b", {{L"A", L"*.a"}, {L"B", L"*.b"}}},
                    FilterCase{L"", {}}, FilterCase{L"Lonely", {}}));

}  // namespace
}  // namespace qo
