// What every main window promises its handlers, whichever platform builds it.
// Included by one test file per layer, which instantiates it with a maker:
//   struct Maker { static std::unique_ptr<MainWindow> make(); static void settle(); };
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/failure.h"
#include "base/main_window.h"
#include "ui/window_definitions.h"

namespace qo::contract {

// Records the handlers raised, with the thickness text and check value each saw.
class RecordingEvents final : public MainWindowEvents {
 public:
  explicit RecordingEvents(MainWindow& window) : window_(window) {}

  std::vector<std::string> raised;
  std::vector<std::wstring> textsSeen;
  std::vector<int> valuesSeen;

  void Form_Load() override { raised.push_back("Form_Load"); }
  void Form_Unload() override { raised.push_back("Form_Unload"); }
  void Form_MouseMove(int, int, float, float) override { raised.push_back("Form_MouseMove"); }
  void Frame1_MouseMove(int, int, float, float) override { raised.push_back("Frame1_MouseMove"); }
  void Frame2_MouseMove(int, int, float, float) override { raised.push_back("Frame2_MouseMove"); }
  void Frame3_MouseMove(int, int, float, float) override { raised.push_back("Frame3_MouseMove"); }
  void PushButton2_MouseMove(int, int, float, float) override {
    raised.push_back("PushButton2_MouseMove");
  }
  void PushButton2_Click() override { raised.push_back("PushButton2_Click"); }
  void Text1_Change() override {
    raised.push_back("Text1_Change");
    textsSeen.push_back(window_.text1Text());
  }
  void Text1_GotFocus() override { raised.push_back("Text1_GotFocus"); }
  void Text1_LostFocus() override { raised.push_back("Text1_LostFocus"); }
  void Picture1_Click() override { raised.push_back("Picture1_Click"); }
  void Check1_Click() override {
    raised.push_back("Check1_Click");
    valuesSeen.push_back(window_.check1Value());
  }

 private:
  MainWindow& window_;
};

template <class Maker>
class MainWindowContract : public ::testing::Test {
 protected:
  MainWindowContract() : window_(Maker::make()), events_(*window_) { window_->connect(events_); }
  ~MainWindowContract() override { Maker::settle(); }

  MainWindow& window() { return *window_; }
  RecordingEvents& events() { return events_; }

  std::size_t indexOf(std::wstring_view name) {
    const auto controls = form1Definition().controls;
    for (std::size_t i = 0; i < controls.size(); ++i) {
      if (controls[i].name == name) return i;
    }
    ADD_FAILURE() << "no control";
    return 0;
  }

 private:
  std::unique_ptr<MainWindow> window_;
  RecordingEvents events_;
};

TYPED_TEST_SUITE_P(MainWindowContract);

TYPED_TEST_P(MainWindowContract, OpensAsDefined) {
  MainWindow& w = this->window();
  EXPECT_EQ(w.caption(), L"Form1");
  EXPECT_EQ(w.text1Text(), L"Text1");
  EXPECT_EQ(w.check1Value(), 0);
  EXPECT_EQ(w.picture1BackColor(), 0x00000000u);
  EXPECT_EQ(w.label1Caption(), L"Double left-click to QUIT");
  EXPECT_EQ(w.label2Caption(), L"Right-click to SAVE as image file");
  EXPECT_EQ(w.mousePointer(), kDefaultPointer);
  std::vector<ControlKind> kinds;
  for (const ControlDefinition& c : form1Definition().controls) kinds.push_back(c.kind);
  EXPECT_EQ(w.controlKinds(), kinds) << "the control list, invisible components included";
  EXPECT_TRUE(this->events().raised.empty());
}

TYPED_TEST_P(MainWindowContract, SettingTheTextRaisesChangeOnlyWhenItDiffers) {
  MainWindow& w = this->window();
  const std::vector<std::wstring> sets{L"Text1", L"5", L"5", L"", L"", L"abc", L"12"};
  for (const auto& text : sets) w.setText1Text(text);
  EXPECT_EQ(this->events().textsSeen, (std::vector<std::wstring>{L"5", L"", L"abc", L"12"}))
      << "one change per different text, raised with the new text in place";
  EXPECT_EQ(this->events().raised.size(), 4u) << "nothing but the changes";
  EXPECT_EQ(w.text1Text(), L"12");
}

TYPED_TEST_P(MainWindowContract, SettingTheCheckBoxRaisesClickOnlyWhenItDiffers) {
  MainWindow& w = this->window();
  for (const int value : {0, 1, 1, 2, 2, 0}) w.setCheck1Value(value);
  EXPECT_EQ(this->events().valuesSeen, (std::vector<int>{1, 2, 0}));
  EXPECT_EQ(this->events().raised.size(), 3u);
  w.setCheck1Value(2);
  for (const int bad : {3, -1}) {
    EXPECT_THROW(w.setCheck1Value(bad), Failure) << bad;
  }
  EXPECT_EQ(w.check1Value(), 2) << "a rejected value leaves the dimmed state";
  EXPECT_EQ(this->events().raised.size(), 4u);
}

TYPED_TEST_P(MainWindowContract, SettingTheSwatchOrTheWindowRaisesNothing) {
  MainWindow& w = this->window();
  w.setPicture1BackColor(65280);
  w.setPicture1BackColor(0x8000000F);
  EXPECT_EQ(w.picture1BackColor(), 0x8000000Fu);
  w.setCaption(L"Quillmark Orvane");
  EXPECT_EQ(w.caption(), L"Quillmark Orvane");
  w.setMousePointer(kCustomPointer);
  EXPECT_EQ(w.mousePointer(), kCustomPointer);
  w.selectText1(0, 5);
  EXPECT_TRUE(this->events().raised.empty());
}

TYPED_TEST_P(MainWindowContract, BackColoursAreSetByPlaceInTheControlList) {
  MainWindow& w = this->window();
  w.setControlBackColor(this->indexOf(L"Picture1"), 16711680);
  EXPECT_EQ(w.picture1BackColor(), 16711680u) << "the swatch's colour is its background";
  for (const auto* name : {L"Frame1", L"Label3", L"Check1", L"PushButton2"}) {
    EXPECT_NO_THROW(w.setControlBackColor(this->indexOf(name), 0x8000000F));
  }
  w.setBackColor(0x8000000F);
  for (const auto* name : {L"CommonDialog1", L"SkinFramework1"}) {
    EXPECT_THROW(w.setControlBackColor(this->indexOf(name), 0x8000000F), Failure);
  }
  EXPECT_THROW(w.setControlBackColor(form1Definition().controls.size(), 0), Failure);
  EXPECT_TRUE(this->events().raised.empty());
}

REGISTER_TYPED_TEST_SUITE_P(MainWindowContract, OpensAsDefined,
                            SettingTheTextRaisesChangeOnlyWhenItDiffers,
                            SettingTheCheckBoxRaisesClickOnlyWhenItDiffers,
                            SettingTheSwatchOrTheWindowRaisesNothing,
                            BackColoursAreSetByPlaceInTheControlList);

}  // namespace qo::contract
