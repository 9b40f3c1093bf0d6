#pragma once

#include <string>
#include <vector>

#include "base/form_events.h"
#include "base/main_window.h"

namespace qo {

// Records every event the main window raises as the handler name it would have
// ("Text1_Change"), with the thickness text and check value each change saw.
class RecordingEvents final : public FormEvents {
 public:
  explicit RecordingEvents(MainWindow& window) : window_(window) {}

  std::vector<std::string> raised;
  std::vector<std::wstring> textsSeen;
  std::vector<int> valuesSeen;

  void raise(std::wstring_view control, ControlEvent event, const MouseArgs&) override {
    static constexpr const char* kNames[] = {"Load",     "Unload", "MouseMove", "MouseDown",
                                             "MouseUp",  "DblClick", "Click",   "Change",
                                             "GotFocus", "LostFocus"};
    const std::string name = control == L"Form1" ? "Form" : std::string(control.begin(), control.end());
    raised.push_back(name + "_" + kNames[static_cast<int>(event)]);
    if (raised.back() == "Text1_Change") textsSeen.push_back(window_.text1Text());
    if (raised.back() == "Check1_Click") valuesSeen.push_back(window_.check1Value());
  }

 private:
  MainWindow& window_;
};

}  // namespace qo
