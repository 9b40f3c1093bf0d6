// What the main window promises its handlers, on every platform: the model's rules.
#include "ui/main_window_model.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "base/failure.h"
#include "fakes/headless_main_window.h"
#include "fakes/recording_events.h"
#include "ui/window_definitions.h"

namespace qo {
namespace {

class MainWindowModelTest : public ::testing::Test {
 protected:
  MainWindowModelTest() { window_.connect(events_); }

  HeadlessMainWindow& window() { return window_; }
  RecordingEvents& events() { return events_; }
  std::size_t indexOf(std::wstring_view name) { return controlIndex(form1Definition(), name); }

 private:
  HeadlessMainWindow window_;
  RecordingEvents events_{window_};
};

TEST_F(MainWindowModelTest, OpensAsDefined) {
  MainWindow& w = window();
  EXPECT_EQ(w.text1Text(), L"Text1");
  EXPECT_EQ(w.check1Value(), 0);
  EXPECT_EQ(w.picture1BackColor(), 0x00000000u);
  EXPECT_EQ(w.label1Caption(), L"Double left-click to QUIT");
  EXPECT_EQ(w.label2Caption(), L"Right-click to SAVE as image file");
  std::vector<ControlKind> kinds;
  for (const ControlDefinition& c : form1Definition().controls) kinds.push_back(c.kind);
  EXPECT_EQ(w.controlKinds(), kinds) << "the control list, invisible components included";
  EXPECT_TRUE(events().raised.empty());
}

TEST_F(MainWindowModelTest, SettingTheTextRaisesChangeOnlyWhenItDiffers) {
  MainWindow& w = window();
  const std::vector<std::wstring> sets{L"Text1", L"5", L"5", L"", L"", L"abc", L"12"};
  for (const auto& text : sets) w.setText1Text(text);
  EXPECT_EQ(events().textsSeen, (std::vector<std::wstring>{L"5", L"", L"abc", L"12"}))
      << "one change per different text, raised with the new text in place";
  EXPECT_EQ(events().raised.size(), 4u) << "nothing but the changes";
  EXPECT_EQ(w.text1Text(), L"12");
}

TEST_F(MainWindowModelTest, SettingTheCheckBoxRaisesClickOnlyWhenItDiffers) {
  MainWindow& w = window();
  for (const int value : {0, 1, 1, 2, 2, 0}) w.setCheck1Value(value);
  EXPECT_EQ(events().valuesSeen, (std::vector<int>{1, 2, 0}));
  EXPECT_EQ(events().raised.size(), 3u);
  w.setCheck1Value(2);
  for (const int bad : {3, -1}) {
    EXPECT_THROW(w.setCheck1Value(bad), Failure) << bad;
  }
  EXPECT_EQ(w.check1Value(), 2) << "a rejected value leaves the dimmed state";
  EXPECT_EQ(events().raised.size(), 4u);
}

TEST_F(MainWindowModelTest, SettingTheSwatchOrTheWindowRaisesNothing) {
  MainWindow& w = window();
  w.setPicture1BackColor(65280);
  w.setPicture1BackColor(0x8000000F);
  EXPECT_EQ(w.picture1BackColor(), 0x8000000Fu);
  w.setCaption(L"Quillmark Orvane");
  EXPECT_EQ(window().caption, L"Quillmark Orvane");
  w.setMousePointer(kCustomPointer);
  EXPECT_EQ(window().pointer, kCustomPointer);
  w.selectText1(0, 5);
  EXPECT_TRUE(events().raised.empty());
}

// Each row sets one colour on a fresh window and reads what one control shows.
TEST(MainWindowModel, BackColoursAreSetByPlaceInTheControlList) {
  const struct {
    const char* rule;
    const wchar_t* set;
    Colour colour;
    const wchar_t* shows;
    Colour shown;
  } rows[] = {
      {"the swatch's colour is its background", L"Picture1", 16711680, L"Picture1", 16711680},
      {"a frame shows its own colour", L"Frame1", kButtonFace, L"Frame1", kButtonFace},
      {"a transparent label never shows its own colour", L"Label3", 255, L"Label3", kWhite},
      {"a transparent label follows its container's colour", L"Frame2", kButtonFace, L"Label3",
       kButtonFace},
  };
  for (const auto& row : rows) {
    HeadlessMainWindow window;
    const std::size_t set = controlIndex(form1Definition(), row.set);
    const std::size_t shows = controlIndex(form1Definition(), row.shows);
    window.backColours[shows] = kWhite;  // as the platform builds it
    window.setControlBackColor(set, row.colour);
    EXPECT_EQ(window.backColours[shows], row.shown) << row.rule;
  }
}

TEST_F(MainWindowModelTest, OnlyVisibleControlsTakeABackColour) {
  MainWindow& w = window();
  for (const auto* name : {L"Frame1", L"Label3", L"Check1", L"PushButton2"}) {
    EXPECT_NO_THROW(w.setControlBackColor(indexOf(name), 0x8000000F));
  }
  w.setBackColor(0x8000000F);
  for (const auto* name : {L"CommonDialog1", L"SkinFramework1"}) {
    EXPECT_THROW(w.setControlBackColor(indexOf(name), 0x8000000F), Failure);
  }
  EXPECT_THROW(w.setControlBackColor(form1Definition().controls.size(), 0), Failure);
  EXPECT_TRUE(events().raised.empty());
}

// Every check box is its own: a click toggles the box clicked, whichever it is.
TEST(MainWindowModel, AClickTogglesTheCheckBoxClicked) {
  using K = ControlKind;
  const std::array controls{
      ControlDefinition{L"Check1", K::CheckBox, L"Form1", L"One", 0, 0, 900, 255, 0, 0, 0},
      ControlDefinition{L"Check2", K::CheckBox, L"Form1", L"Two", 0, 300, 900, 255, 1, 0, 0},
  };
  const WindowDefinition form{L"Form1", L"Form1", 1000, 600, 0, {}, controls};
  HeadlessMainWindow window(form);
  RecordingEvents events(window);
  window.connect(events);
  const struct {
    const wchar_t* clicked;
    int first, second;
  } steps[] = {{L"Check2", 0, 1}, {L"Check2", 0, 0}, {L"Check1", 1, 0}, {L"Check2", 1, 1}};
  for (const auto& step : steps) {
    window.userClicks(step.clicked);
    EXPECT_EQ(window.checkValue(0), step.first) << testing::PrintToString(step.clicked);
    EXPECT_EQ(window.checkValue(1), step.second);
    EXPECT_EQ(window.checks[1], step.second) << "what the second box shows";
  }
  EXPECT_EQ(events.raised, (std::vector<std::string>{"Check2_Click", "Check2_Click",
                                                     "Check1_Click", "Check2_Click"}))
      << "each box raises its own click";
  window.setCheckValue(1, 2);
  window.userClicks(L"Check2");
  EXPECT_EQ(window.checkValue(1), 0) << "a click clears a dimmed box";
}

}  // namespace
}  // namespace qo
