#pragma once

#include <span>
#include <string_view>

#include "base/control_surface.h"
#include "base/controls.h"
#include "base/geometry.h"

namespace qo {

struct FontDefinition {
  std::wstring_view face;
  double points;
  int weight;
  int charset;
};

inline constexpr int kNoTabIndex = -1;

// One control as it exists before any handler runs.  Rectangles are twips,
// relative to the client area of the container.
struct ControlDefinition {
  std::wstring_view name;
  ControlKind kind;
  std::wstring_view container;
  std::wstring_view text;
  int left, top, width, height;
  int tabIndex;
  Colour background;
  Colour foreground;
  bool transparent = false;
  const FontDefinition* font = nullptr;  // nullptr: the window's font
};

struct WindowDefinition {
  std::wstring_view name;
  std::wstring_view caption;
  int clientWidth, clientHeight;  // twips
  Colour background;
  FontDefinition font;
  std::span<const ControlDefinition> controls;  // in creation order
};

const WindowDefinition& form1Definition();
const WindowDefinition& form2Definition();

// The place of the named control in the window's control list; throws Failure
// when the window has no such control.
std::size_t controlIndex(const WindowDefinition& window, std::wstring_view name);
// The place of the control's container, or kTheWindow when the window holds it.
std::size_t containerIndex(const WindowDefinition& window, std::size_t control);

// Twips to pixels at the given dots per inch, to the nearest pixel.
int twipsToPixels(int twips, int dpi);

// A control's rectangle in pixels, relative to its container's client area.
Rect pixelRect(const ControlDefinition& control, int dpi);

// A control is visible at run time unless it is an invisible component.
bool isVisibleAtRunTime(ControlKind kind);

}  // namespace qo
