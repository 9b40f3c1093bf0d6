#pragma once

#include <string>
#include <string_view>

#include "base/common_dialog.h"
#include "base/main_window.h"
#include "base/platform.h"

namespace qo {

inline constexpr std::wstring_view kNotNumericMessage = L"Must be a numeric value.";

// The line options of Form1 (thickness, colour, minimise first) with their
// write-through to the settings store, and the pointer feedback over the window.
class LineOptions {
 public:
  LineOptions(Platform& platform, MainWindow& window, CommonDialog& CommonDialog1)
      : platform_(platform), window_(window), CommonDialog1_(CommonDialog1) {}

  void Picture1_Click();
  void Text1_GotFocus();
  void Text1_Change();
  void Text1_LostFocus();
  void Check1_Click();

  // Pointer feedback: the hand over "Start Drawing", the ordinary pointer elsewhere.
  void Form_MouseMove(int button, int shift, float x, float y);
  void Frame1_MouseMove(int button, int shift, float x, float y);
  void Frame2_MouseMove(int button, int shift, float x, float y);
  void Frame3_MouseMove(int button, int shift, float x, float y);
  void PushButton2_MouseMove(int button, int shift, float x, float y);

 private:
  void save(std::wstring_view key, std::wstring_view text);

  Platform& platform_;
  MainWindow& window_;
  CommonDialog& CommonDialog1_;
  bool writeFailureShown_ = false;
};

// The one box shown when an option could not be stored.
std::wstring unsavedOptionText(std::wstring_view reason);

}  // namespace qo
