#include "base/error_report.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "base/failure.h"
#include "fakes/headless_platform.h"

namespace qo {
namespace {

TEST(ErrorReport, TextHasDescriptionLocationLineAndRequest) {
  EXPECT_EQ(errorReportText(L"Type mismatch", location::kForm1StartDrawing, 114),
            L"Type mismatch\r\nin QuillmarkOrvane2021/08/31.Form1.PushButton2_Click at line 114"
            L"\r\rPlease email screenshot of this message to " +
                std::wstring(kSupportAddress));
}

TEST(ErrorReport, LocationTextsEndInOneBlank) {
  for (auto text : {location::kForm1Load, location::kForm1StartDrawing, location::kForm2Load,
                    location::kForm2MouseDown, location::kForm2MouseMove}) {
    ASSERT_GE(text.size(), 2u);
    EXPECT_TRUE(text.starts_with(L"in QuillmarkOrvane2021/08/31.Form"));
    EXPECT_EQ(text.back(), L' ');
    EXPECT_NE(text[text.size() - 2], L' ');
  }
}

TEST(ErrorReport, ShownWithTitleAndExclamationStyle) {
  RecordingMessageBoxes boxes;
  showErrorReport(boxes, L"D", location::kForm2MouseMove, 110);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].title, L"Application Error");
  EXPECT_EQ(boxes.shown[0].style, 0x30u);
  EXPECT_TRUE(boxes.shown[0].text.starts_with(
      L"D\r\nin QuillmarkOrvane2021/08/31.Form2.Form_MouseMove at line 110\r\r"));
}

TEST(Guard, ReportsAFailedStepThenRunsTheNextWithoutRetrying) {
  RecordingMessageBoxes boxes;
  std::vector<int> ran;
  Guard guard(boxes, location::kForm2Load);
  guard.step(100, [&] { ran.push_back(100); });
  guard.step(102, [&] {
    ran.push_back(102);
    throw Failure(L"broken");
  });
  guard.step(104, [&] { ran.push_back(104); });
  EXPECT_EQ(ran, (std::vector<int>{100, 102, 104}));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, errorReportText(L"broken", location::kForm2Load, 102));
}

TEST(Guard, DescribesEveryKindOfException) {
  RecordingMessageBoxes boxes;
  Guard guard(boxes, location::kForm1Load);
  guard.step(100, [] { throw std::runtime_error("plain"); });
  guard.step(102, [] { throw std::bad_alloc(); });
  guard.step(104, [] { throw 42; });
  ASSERT_EQ(boxes.shown.size(), 3u);
  EXPECT_TRUE(boxes.shown[0].text.starts_with(L"plain\r\n"));
  EXPECT_TRUE(boxes.shown[1].text.starts_with(L"Out of memory.\r\n"));
  EXPECT_TRUE(boxes.shown[2].text.starts_with(L"An unexpected error occurred.\r\n"));
}

TEST(Guard, AReportThatCannotBeShownDoesNotStopTheHandler) {
  RecordingMessageBoxes boxes;
  boxes.onShow = [](const ShownBox&) { throw Failure(L"no box"); };
  Guard guard(boxes, location::kForm1Load);
  bool next = false;
  guard.step(100, [] { throw Failure(L"first"); });
  guard.step(102, [&] { next = true; });
  EXPECT_TRUE(next);
}

}  // namespace
}  // namespace qo
