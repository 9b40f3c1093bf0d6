#include "forms/form1.h"

#include <array>

namespace qo {

namespace {

using E = ControlEvent;
using R = Route<Form1>;

constexpr std::array kRoutes{
    R{L"Form1", E::Load, &Form1::Form_Load},
    R{L"Form1", E::Unload, &Form1::Form_Unload},
    R{L"Form1", E::MouseMove, nullptr, &Form1::Form_MouseMove},
    R{L"Frame1", E::MouseMove, nullptr, &Form1::Frame1_MouseMove},
    R{L"Frame2", E::MouseMove, nullptr, &Form1::Frame2_MouseMove},
    R{L"Frame3", E::MouseMove, nullptr, &Form1::Frame3_MouseMove},
    R{L"PushButton2", E::MouseMove, nullptr, &Form1::PushButton2_MouseMove},
    R{L"PushButton2", E::Click, &Form1::PushButton2_Click},
    R{L"Text1", E::Change, &Form1::Text1_Change},
    R{L"Text1", E::GotFocus, &Form1::Text1_GotFocus},
    R{L"Text1", E::LostFocus, &Form1::Text1_LostFocus},
    R{L"Picture1", E::Click, &Form1::Picture1_Click},
    R{L"Check1", E::Click, &Form1::Check1_Click},
};

}  // namespace

Form1::Form1(Platform& platform, MainWindow& window)
    : CommonDialog1(window.dialogs()),
      startUp_(platform, window),
      options_(platform, window, CommonDialog1),
      startDrawing_(platform, window) {
  window.connect(*this);
}

void Form1::raise(std::wstring_view control, ControlEvent event, const MouseArgs& mouse) {
  routeEvent<Form1>(*this, kRoutes, control, event, mouse);
}

}  // namespace qo
