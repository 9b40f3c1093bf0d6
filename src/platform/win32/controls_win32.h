#pragma once

#include <functional>
#include <string>
#include <utility>

#include "base/geometry.h"
#include "platform/win32/window_class.h"

namespace qo::win32 {

// Receives a control's WM_MOUSEMOVE (its key state and client position).
using MouseMoveSink = std::function<void(WPARAM keys, LPARAM position)>;

// What our own controls share: the mouse moves over them passed on to whoever
// listens.  Like the system's controls, they ask their parent for their colours
// as they paint (WM_CTLCOLORSTATIC, WM_CTLCOLORBTN), so a colour is kept only by
// the window that owns them.
class OwnControl : public WindowBase {
 public:
  void setMouseMoveSink(MouseMoveSink sink) { mouseMove_ = std::move(sink); }
  // What a screen reader reads for a control with no text of its own (its label's).
  void setAccessibleName(std::wstring name) { accessibleName_ = std::move(name); }

 protected:
  void mouseMoved(WPARAM keys, LPARAM position) {
    if (mouseMove_) mouseMove_(keys, position);
  }
  bool focusableMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // The background and text colours the parent gives this control in dc.
  std::pair<COLORREF, COLORREF> parentColours(HDC dc, UINT message) const;

 private:
  MouseMoveSink mouseMove_;
  std::wstring accessibleName_;
};

// A frame: a captioned, etched box that holds other controls and passes their
// notifications on to its own parent.
class FrameControl final : public OwnControl {
 public:
  FrameControl(HWND parent, int id, const std::wstring& caption);

 protected:
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void paint();
  HFONT font_ = nullptr;
};

// A picture box: a focusable, sunken box showing its background colour.  A
// click with the left or the right button (down and up inside the box), Space,
// Enter or BM_CLICK raises BN_CLICKED to its parent.
class PictureBoxControl final : public OwnControl {
 public:
  PictureBoxControl(HWND parent, int id);

 protected:
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void onButtonUp(LPARAM position);
  void onKey(UINT message, WPARAM key);
  bool pressed_ = false;
  bool spaceDown_ = false;
};

// The "Start Drawing" push button: a flat, white button drawn by us, raising
// BN_CLICKED to its parent on a mouse click, Space, Enter or BM_CLICK.
class PushButtonControl final : public OwnControl {
 public:
  PushButtonControl(HWND parent, int id, const std::wstring& caption);

 protected:
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void paint();
  void setPressed(bool pressed);
  void click();
  bool onMouse(UINT message, LPARAM lParam);
  bool onKey(UINT message, WPARAM key);

  HFONT font_ = nullptr;
  bool pressed_ = false;
  bool tracking_ = false;
};

}  // namespace qo::win32
