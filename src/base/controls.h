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

// A background and the text drawn on it.
struct PaintColours {
  Colour background;
  Colour text;
  friend bool operator==(const PaintColours&, const PaintColours&) = default;
};

// What a window or control is painted with.  Under high contrast a text in the
// scheme's colour must never land on a fixed colour of ours (white text on white
// in the dark schemes): a fixed background gives way to button face with its
// text, and a system background keeps its colour and gets the text that goes
// with it.  Without high contrast the defined colours stand.
constexpr PaintColours paintColours(PaintColours defined, bool highContrast) {
  if (!highContrast) return defined;
  if (defined.background == kWindowBackground) return {kWindowBackground, kWindowText};
  if (isSystemColour(defined.background)) return {defined.background, kButtonText};
  return {kButtonFace, kButtonText};
}

}  // namespace qo
