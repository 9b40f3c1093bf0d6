#pragma once

#include <string>

#include "base/geometry.h"
#include "platform/win32/window_class.h"

namespace qo::win32 {

// A frame: a captioned, etched box that holds other controls and passes their
// notifications on to its own parent.
class FrameControl final : public WindowBase {
 public:
  FrameControl(HWND parent, int id, const std::wstring& caption, Colour background);
  ~FrameControl() override;

 protected:
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void paint();
  Colour background_;
  HFONT font_ = nullptr;
};

// A picture box: a focusable, sunken box showing its background colour.
class PictureBoxControl final : public WindowBase {
 public:
  PictureBoxControl(HWND parent, int id, Colour background);
  ~PictureBoxControl() override;

  Colour backColor() const { return background_; }
  void setBackColor(Colour colour);

 protected:
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  Colour background_;
};

// The "Start Drawing" push button: a flat, white button drawn by us, raising
// BN_CLICKED to its parent on a mouse click, Space or Enter.
class PushButtonControl final : public WindowBase {
 public:
  PushButtonControl(HWND parent, int id, const std::wstring& caption, Colour background,
                    Colour foreground);
  ~PushButtonControl() override;

 protected:
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void paint();
  void setPressed(bool pressed);
  void click();
  bool onMouse(UINT message, LPARAM lParam);
  bool onKey(UINT message, WPARAM key);

  Colour background_;
  Colour foreground_;
  HFONT font_ = nullptr;
  bool pressed_ = false;
  bool tracking_ = false;
};

}  // namespace qo::win32
