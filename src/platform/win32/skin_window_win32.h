#pragma once

#include "formats/skin_file.h"
#include "platform/win32/handles.h"

namespace qo::win32 {

// Which parts of a window a skin colours besides the window's own background.
struct SkinChoice {
  bool controls = false;  // labels, check boxes, option buttons and text boxes
  bool frames = false;    // our frames
  bool buttons = false;   // our push buttons
};

// Draws window and its controls in the skin's colours from now on: the window
// is subclassed and answers WM_ERASEBKGND and the WM_CTLCOLOR* of its controls,
// and so are the containers among its children (frames) for the controls they
// hold; our own-drawn controls ask skinnedColour when they paint.  A second call replaces the first; everything is undone when
// the window is destroyed.  Throws Failure when window is not a window.
void applySkin(HWND window, const SkinColours& colours, SkinChoice choice);

// The parts of our own-drawn controls a skin may colour.
enum class SkinPart { FrameBackground, FrameText, ButtonBackground, ButtonText };

// The colour the skin of control's top-level window gives that part, or own when
// that window has no skin, or a skin that leaves the part alone.
COLORREF skinnedColour(HWND control, SkinPart part, COLORREF own);

}  // namespace qo::win32
