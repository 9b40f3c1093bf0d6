#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

#include "base/common_dialog.h"
#include "base/geometry.h"
#include "base/main_window.h"
#include "base/skin.h"

namespace qo {

// Stands for the window itself where a control's place is expected.
inline constexpr std::size_t kTheWindow = std::numeric_limits<std::size_t>::max();

// What the user did, as a platform reports it to the model of the window.
// Controls are named by their place in the window's definition.
class ControlInput {
 public:
  virtual ~ControlInput() = default;
  // The user changed the text of a text box (typed, pasted, deleted): text is
  // what the box now holds.
  virtual void textEdited(std::size_t control, std::wstring text) = 0;
  // Clicked, got or lost the focus, moved the mouse over a control (or, with
  // kTheWindow, loaded, closed or moved over the window itself).
  virtual void userDid(std::size_t control, ControlEvent event, const MouseArgs& mouse = {}) = 0;
};

// A window's controls as a platform shows them, addressed by place only.  The
// platform builds them from the window's definition; the model decides what they
// hold and calls these to show it.  None of them reports back as user input.
class ControlSurface {
 public:
  virtual ~ControlSurface() = default;
  // Where the user's actions go; nullptr reports nothing more.
  virtual void connect(ControlInput* input) = 0;

  virtual void showText(std::size_t control, const std::wstring& text) = 0;
  virtual void select(std::size_t control, std::size_t start, std::size_t length) = 0;
  virtual void showCheck(std::size_t control, int value) = 0;  // 0 clear, 1 ticked, 2 dimmed
  // The colour the control is painted with (a transparent one's is its container's).
  virtual void showBackColour(std::size_t control, Colour colour) = 0;

  virtual void showCaption(const std::wstring& caption) = 0;
  virtual void showWindowBackColour(Colour colour) = 0;
  virtual void showApplicationIcon() = 0;
  // Throws Failure when the file cannot be read as a cursor.
  virtual void loadPointerImage(const std::wstring& path) = 0;
  // Takes effect at once where the pointer is over the window.
  virtual void showPointer(int pointer) = 0;
  virtual void showMinimised() = 0;
  virtual void showNormal() = 0;

  virtual DialogHost& dialogHost() = 0;
  virtual std::int32_t nativeHandle() = 0;
  virtual DispatchObject& skinComponent() = 0;
};

}  // namespace qo
