#pragma once

#include <functional>
#include <string>

#include "base/geometry.h"
#include "platform/win32/window_class.h"

namespace qo::win32 {

// Receives a control's WM_MOUSEMOVE (its key state and client position).
using MouseMoveSink = std::function<void(WPARAM keys, LPARAM position)>;

// A frame: a captioned, etched box that holds other controls and passes their
// notifications on to its own parent.
class FrameControl final : public WindowBase {
 public:
  FrameControl(HWND parent, int id, const std::wstring& caption, Colour background);
  ~FrameControl() override;

  void setBackColor(Colour colour);
  void setMouseMoveSink(MouseMoveSink sink) { mouseMove_ = std::move(sink); }

 protected:
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void paint();
  Colour background_;
  HFONT font_ = nullptr;
  MouseMoveSink mouseMove_;
};

// A picture box: a focusable, sunken box showing its background colour.  A
// click with the left or the right button (down and up inside the box) raises
// BN_CLICKED to its parent.
class PictureBoxControl final : public WindowBase {
 public:
  PictureBoxControl(HWND parent, int id, Colour background);
  ~PictureBoxControl() override;

  Colour backColor() const { return background_; }
  void setBackColor(Colour colour);

 protected:
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void onButtonUp(LPARAM position);
  Colour background_;
  bool pressed_ = false;
};

// The "Start Drawing" push button: a flat, white button drawn by us, raising
// BN_CLICKED to its parent on a mouse click, Space or Enter.
class PushButtonControl final : public WindowBase {
 public:
  PushButtonControl(HWND parent, int id, const std::wstring& caption, Colour background,
                    Colour foreground);
  ~PushButtonControl() override;

  void setBackColor(Colour colour);
  void setMouseMoveSink(MouseMoveSink sink) { mouseMove_ = std::move(sink); }

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
  MouseMoveSink mouseMove_;
};

}  // namespace qo::win32
