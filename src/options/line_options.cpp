#include "options/line_options.h"

#include <cstdint>

#include "base/failure.h"
#include "base/numeric_text.h"

namespace qo {

void LineOptions::Picture1_Click() {
  CommonDialog1_.Color = window_.picture1BackColor();
  CommonDialog1_.ShowColor();
  // A cancelled chooser leaves Color as handed in, so the swatch keeps its colour.
  window_.setPicture1BackColor(CommonDialog1_.Color);
  const auto colour = static_cast<std::int32_t>(window_.picture1BackColor());
  save(kColourOption.key, std::to_wstring(colour));
}

void LineOptions::Text1_GotFocus() { window_.selectText1(0, window_.text1Text().size()); }

void LineOptions::Text1_Change() { save(kThicknessOption.key, window_.text1Text()); }

void LineOptions::Text1_LostFocus() {
  const std::wstring text = window_.text1Text();
  if (text.empty() || isNumeric(text, platform_.locale.numberFormat())) return;
  platform_.messages.show(kNotNumericMessage, platform_.app.title(), kOkOnly);
  window_.setText1Text(L"0");
}

void LineOptions::Check1_Click() {
  const auto value = static_cast<std::int16_t>(window_.check1Value());
  save(kMinimiseOption.key, std::to_wstring(value));
}

// Set on every move, changed or not: entering the button shows the hand, and
// leaving it crosses the bare window or a frame, which bring the arrow back.
void LineOptions::Form_MouseMove(int, int, float, float) {
  window_.setMousePointer(kDefaultPointer);
}
void LineOptions::Frame1_MouseMove(int, int, float, float) {
  window_.setMousePointer(kDefaultPointer);
}
void LineOptions::Frame2_MouseMove(int, int, float, float) {
  window_.setMousePointer(kDefaultPointer);
}
void LineOptions::Frame3_MouseMove(int, int, float, float) {
  window_.setMousePointer(kDefaultPointer);
}
void LineOptions::PushButton2_MouseMove(int, int, float, float) {
  window_.setMousePointer(kCustomPointer);
}

std::wstring unsavedOptionText(std::wstring_view reason) {
  return L"Your line options could not be saved:\r" + std::wstring(reason) +
         L"\r\rThey apply until the program closes but will not be remembered.";
}

// A store that cannot be written is not expected.  When it happens the option
// still applies for this run; the first failure of the run is reported once, so
// that typing in the thickness box does not bring a box per keystroke.
void LineOptions::save(std::wstring_view key, std::wstring_view text) {
  try {
    platform_.settings.SaveSetting(kSettingsApplication, kSettingsSection, key, text);
  } catch (const Failure& failure) {
    if (writeFailureShown_) return;
    writeFailureShown_ = true;
    platform_.messages.show(unsavedOptionText(failure.description()), platform_.app.title(),
                            kExclamation);
  }
}

}  // namespace qo
