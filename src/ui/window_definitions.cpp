#include "ui/window_definitions.h"

#include <array>
#include <cstdint>
#include <string>

#include "base/failure.h"

namespace qo {

namespace {

constexpr FontDefinition kPushButtonFont{L"Arial", 11.25, 700, 204};

using K = ControlKind;

constexpr std::array kForm1Controls{
    ControlDefinition{L"Frame3", K::Frame, L"Form1", L"Minimize Options", 120, 2160, 7800, 735, 10,
                      kWhite, kButtonText},
    ControlDefinition{L"Check1", K::CheckBox, L"Frame3", L"Minimize this window before drawing",
                      240, 300, 3600, 255, 2, kWhite, kButtonText},
    ControlDefinition{L"Frame1", K::Frame, L"Form1", L"Help", 120, 1020, 7800, 1065, 7, kWhite,
                      kButtonText},
    ControlDefinition{L"Label2", K::Label, L"Frame1", L"Right-click to SAVE as image file", 240,
                      645, 2745, 225, 9, kWhite, kButtonText},
    ControlDefinition{L"Label1", K::Label, L"Frame1", L"Double left-click to QUIT", 240, 300, 2025,
                      225, 8, kWhite, kButtonText},
    ControlDefinition{L"Frame2", K::Frame, L"Form1", L"Line Option", 120, 120, 7800, 840, 4, kWhite,
                      kButtonText},
    ControlDefinition{L"Picture1", K::PictureBox, L"Frame2", L"", 3360, 300, 1095, 330, 1, kBlack,
                      kButtonText},
    ControlDefinition{L"Text1", K::TextBox, L"Frame2", L"Text1", 1200, 300, 1095, 330, 0,
                      kWindowBackground, kWindowText},
    ControlDefinition{L"Label4", K::Label, L"Frame2", L"Thickness:", 180, 353, 930, 225, 6, kWhite,
                      kButtonText, true},
    ControlDefinition{L"Label3", K::Label, L"Frame2", L"Color:", 2760, 353, 495, 225, 5, kWhite,
                      kButtonText, true},
    ControlDefinition{L"CommonDialog1", K::CommonDialog, L"Form1", L"", 0, 0, 0, 0, kNoTabIndex,
                      kWhite, kButtonText},
    ControlDefinition{L"PushButton2", K::PushButton, L"Form1", L"Start Drawing", 120, 3030, 7800,
                      405, 3, kWhite, kButtonText, false, &kPushButtonFont},
    ControlDefinition{L"SkinFramework1", K::SkinFramework, L"Form1", L"", 0, 0, 0, 0, kNoTabIndex,
                      kWhite, kButtonText},
};

constexpr std::array kForm2Controls{
    ControlDefinition{L"picMain", K::PictureBox, L"Form2", L"", 1920, 1080, 375, 375, 0,
                      kButtonFace, kButtonText},
    ControlDefinition{L"CommonDialog1", K::CommonDialog, L"Form2", L"", 0, 0, 0, 0, kNoTabIndex,
                      kButtonFace, kButtonText},
};

const WindowDefinition kForm1{
    L"Form1", L"Form1", 8040, 3555, kWhite, FontDefinition{L"Arial", 9, 700, 204}, kForm1Controls};

const WindowDefinition kForm2{
    L"Form2", L"", 4680, 3090, kButtonFace, FontDefinition{L"Arial", 9, 700, 204}, kForm2Controls};

}  // namespace

const WindowDefinition& form1Definition() { return kForm1; }

std::size_t controlIndex(const WindowDefinition& window, std::wstring_view name) {
  for (std::size_t i = 0; i < window.controls.size(); ++i) {
    if (window.controls[i].name == name) return i;
  }
  throw Failure(L"The window " + std::wstring(window.name) + L" has no control named " +
                std::wstring(name) + L".");
}

std::size_t containerIndex(const WindowDefinition& window, std::size_t control) {
  const std::wstring_view container = window.controls[control].container;
  return container == window.name ? kTheWindow : controlIndex(window, container);
}
const WindowDefinition& form2Definition() { return kForm2; }

int twipsToPixels(int twips, int dpi) {
  const std::int64_t scaled = static_cast<std::int64_t>(twips) * dpi;
  return static_cast<int>((scaled + (scaled >= 0 ? 720 : -720)) / 1440);
}

Rect pixelRect(const ControlDefinition& control, int dpi) {
  const int left = twipsToPixels(control.left, dpi);
  const int top = twipsToPixels(control.top, dpi);
  return {left, top, left + twipsToPixels(control.width, dpi),
          top + twipsToPixels(control.height, dpi)};
}

bool isVisibleAtRunTime(ControlKind kind) {
  return kind != ControlKind::CommonDialog && kind != ControlKind::SkinFramework;
}

}  // namespace qo
