#pragma once

#include <string>
#include <vector>

#include "base/main_window.h"

namespace qo {

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

}  // namespace qo
