// "Start Drawing" run against the headless platform.
#include <gtest/gtest.h>

#include "base/error_report.h"
#include "forms/form1.h"
#include "overlay/form2.h"
#include "fakes/headless_platform.h"

namespace qo {
namespace {

class StartDrawing : public testing::Test {
 protected:
  // The options as a first start restores them.
  StartDrawing() {
    host_.mainWindow.setText1Text(L"5");
    host_.mainWindow.setPicture1BackColor(255);
  }

  HeadlessOverlayWindow& overlay() { return *host().overlays.current; }
  HeadlessPlatform& host() { return host_; }
  std::vector<std::wstring> reportTexts() {
    std::vector<std::wstring> texts;
    for (const auto& box : host_.messages.shown) {
      if (box.title == L"Application Error") texts.push_back(box.text);
    }
    return texts;
  }

  HeadlessPlatform host_{{1920, 1080}};
  Form1 form1_{host_.platform, host_.mainWindow};
};

TEST_F(StartDrawing, WithTheBoxClearCopiesTheScreenAndShowsTheOverlayAtOnce) {
  host().screen.pixels.set(10, 20, 0x00ABCDEF);
  form1_.PushButton2_Click();
  EXPECT_TRUE(host().messages.shown.empty());
  EXPECT_EQ(host().mainWindow.state, HeadlessMainWindow::State::Normal);
  EXPECT_EQ(host().clock.readings, 0) << "no pause";
  EXPECT_EQ(host().events.calls, 1) << "events processed once";
  EXPECT_EQ(host().screen.contextsTaken, 1);
  EXPECT_EQ(host().screen.liveContexts, 0) << "the screen's context is released";
  EXPECT_EQ(host().overlays.built, 1);
  EXPECT_TRUE(overlay().hasIcon);
  EXPECT_EQ(overlay().picture().at(10, 20), 0x00ABCDEFu);
  EXPECT_EQ(overlay().picture().at(1919, 1079), host().screen.pixels.at(1919, 1079));
  EXPECT_EQ(form1_.form2().m_Width, 5);
  EXPECT_EQ(form1_.form2().m_Color, 255u);
  EXPECT_EQ(overlay().previewBox(), (Rect{1895, 1055, 1920, 1080}));
  EXPECT_EQ(overlay().shows, 1);
}

TEST_F(StartDrawing, WithTheBoxTickedShowsTheHintMinimisesAndPausesFirst) {
  host().mainWindow.setCheck1Value(1);
  host().clock.stepPerReading = 0.1f;
  host().messages.onShow = [&](const ShownBox&) {
    EXPECT_EQ(host().mainWindow.state, HeadlessMainWindow::State::Normal) << "hint comes first";
  };
  int eventsAtCopy = -1;
  host().events.onEvents = [&] { eventsAtCopy = host().overlays.built; };
  form1_.PushButton2_Click();
  ASSERT_EQ(host().messages.shown.size(), 1u);
  EXPECT_EQ(host().messages.shown[0].text,
            L"Double left-click to QUIT\r\rRight-click to SAVE as image file");
  EXPECT_EQ(host().messages.shown[0].title, host().app.appTitle);
  EXPECT_EQ(host().messages.shown[0].style, 0u);
  EXPECT_EQ(host().mainWindow.state, HeadlessMainWindow::State::Minimised);
  EXPECT_GE(host().clock.readings, 6) << "half a second at 0.1 s a reading";
  EXPECT_GE(host().events.calls, 5);
  EXPECT_EQ(eventsAtCopy, 0) << "every delivery came before the overlay was built";
  EXPECT_EQ(overlay().shows, 1);
}

TEST_F(StartDrawing, TheDimmedStateSkipsTheHint) {
  host().mainWindow.setCheck1Value(2);
  form1_.PushButton2_Click();
  EXPECT_TRUE(host().messages.shown.empty());
  EXPECT_EQ(host().mainWindow.state, HeadlessMainWindow::State::Normal);
}

struct ThicknessCase {
  const wchar_t* text;
  bool converts;
  int width = 0;
};

class Thickness : public StartDrawing, public testing::WithParamInterface<ThicknessCase> {};

TEST_P(Thickness, BecomesTheWidthOrFailsAtLine114) {
  form1_.form2().m_Width = 3;  // as an earlier "Start Drawing" left it
  host().mainWindow.setText1Text(GetParam().text);
  form1_.PushButton2_Click();
  if (GetParam().converts) {
    EXPECT_TRUE(reportTexts().empty());
    EXPECT_EQ(form1_.form2().m_Width, GetParam().width);
  } else {
    ASSERT_EQ(reportTexts().size(), 1u);
    EXPECT_NE(reportTexts()[0].find(L"Form1.PushButton2_Click at line 114\r\r"),
              std::wstring::npos);
    EXPECT_EQ(form1_.form2().m_Width, 3);
  }
  EXPECT_EQ(overlay().shows, 1) << "the overlay opens either way";
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Thickness,
    testing::Values(ThicknessCase{L"7", true, 7}, ThicknessCase{L"2.5", true, 2},
                    ThicknessCase{L"3.5", true, 4}, ThicknessCase{L" 12 ", true, 12},
                    ThicknessCase{L"0", true, 0}, ThicknessCase{L"-4", true, -4},
                    ThicknessCase{L"32767", true, 32767}, ThicknessCase{L"", false},
                    ThicknessCase{L"abc", false}, ThicknessCase{L"32768", false},
                    ThicknessCase{L"-32769", false}));

TEST_F(StartDrawing, AFirstFailedThicknessLeavesTheWidthAtZero) {
  host().mainWindow.setText1Text(L"Text1");
  form1_.PushButton2_Click();
  EXPECT_EQ(reportTexts().size(), 1u);
  EXPECT_EQ(form1_.form2().m_Width, 0);
}

TEST_F(StartDrawing, AScreenContextThatCannotBeHadIsReportedAtLine110) {
  host().screen.failGetDC = true;
  form1_.PushButton2_Click();
  ASSERT_EQ(reportTexts().size(), 1u);
  EXPECT_NE(reportTexts()[0].find(L"at line 110"), std::wstring::npos);
  EXPECT_EQ(overlay().shows, 1);
}

TEST_F(StartDrawing, WhileTheOverlayIsOpenTheSameOverlayIsUsedAgain) {
  form1_.PushButton2_Click();
  overlay().drawLine({0, 0}, {5, 5}, 1, 0);
  host().mainWindow.setText1Text(L"9");
  form1_.PushButton2_Click();
  EXPECT_EQ(host().overlays.built, 1);
  EXPECT_EQ(overlay().shows, 2);
  EXPECT_EQ(form1_.form2().m_Width, 9);
  EXPECT_EQ(host().screen.contextsTaken, 2);
}

TEST_F(StartDrawing, AfterTheOverlayClosedTheWindowIsBuiltAgainAndMembersRemain) {
  host().mainWindow.setText1Text(L"8");
  form1_.PushButton2_Click();
  form1_.form2().Form_DblClick();
  EXPECT_EQ(host().overlays.current, nullptr);
  EXPECT_EQ(form1_.form2().m_Width, 8);
  host().mainWindow.setText1Text(L"x");
  form1_.PushButton2_Click();
  EXPECT_EQ(host().overlays.built, 2);
  EXPECT_TRUE(overlay().hasIcon) << "the load handler ran again";
  EXPECT_EQ(form1_.form2().m_Width, 8);
}

class OverlayCursor : public StartDrawing {
 protected:
  void SetUp() override {
    host().app.folder = L"C:\\Tools";
    host().files.addFolder(L"C:\\Tools");
  }
};

TEST_F(OverlayCursor, LoadedWhenTheFileIsBesideTheProgram) {
  host().files.setFile(L"C:\\Tools\\HAND-M.CUR", {0, 0, 2, 0});
  form1_.PushButton2_Click();
  EXPECT_EQ(overlay().mouseIcon, L"C:\\Tools\\HAND-M.CUR");
  EXPECT_TRUE(host().messages.shown.empty());
}

TEST_F(OverlayCursor, NoFileMeansNoImageAndNoReport) {
  form1_.PushButton2_Click();
  EXPECT_TRUE(overlay().mouseIcon.empty());
  EXPECT_TRUE(host().messages.shown.empty());
}

TEST_F(OverlayCursor, AFileThatIsNotACursorIsReportedAtTheLoadHandlersLine100) {
  host().files.setFile(L"C:\\Tools\\HAND-M.CUR", {'n', 'o'});
  host().overlays.badCursorFile = true;
  form1_.PushButton2_Click();
  ASSERT_EQ(reportTexts().size(), 1u);
  EXPECT_NE(reportTexts()[0].find(L"Form2.Form_Load at line 100"), std::wstring::npos);
  EXPECT_EQ(overlay().shows, 1);
}

TEST(PathInFolder, AddsOneBackslashEvenAtADriveRoot) {
  EXPECT_EQ(pathInFolder(L"C:\\Tools", L"HAND-M.CUR"), L"C:\\Tools\\HAND-M.CUR");
  EXPECT_EQ(pathInFolder(L"C:\\", L"HAND-M.CUR"), L"C:\\HAND-M.CUR");
}

}  // namespace
}  // namespace qo
