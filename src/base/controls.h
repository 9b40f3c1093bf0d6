#pragma once

#include "base/geometry.h"

namespace qo {

// The kinds of control the windows hold.
enum class ControlKind {
  Frame,
  CheckBox,
  Label,
  PictureBox,
  TextBox,
  CommonDialog,  // invisible component
  PushButton,
  SkinFramework,  // invisible component
  OptionButton,   // none on our windows; the skin still recolours them
};

inline constexpr Colour kWhite = 0x00FFFFFF;
inline constexpr Colour kBlack = 0x00000000;
inline constexpr Colour kButtonFace = 0x8000000F;
inline constexpr Colour kButtonText = 0x80000012;
inline constexpr Colour kWindowText = 0x80000008;
inline constexpr Colour kWindowBackground = 0x80000005;

}  // namespace qo
