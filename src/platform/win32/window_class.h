#pragma once

#include "platform/win32/handles.h"

namespace qo::win32 {

// Base of our window objects: one thunk per class binds the object on
// WM_NCCREATE and forwards each message to onMessage.  Its windows are counted
// in HandleCounts from WM_NCCREATE to WM_NCDESTROY.
class WindowBase {
 public:
  WindowBase() = default;
  WindowBase(const WindowBase&) = delete;
  WindowBase& operator=(const WindowBase&) = delete;
  virtual ~WindowBase() = default;

  HWND hwnd() const { return hwnd_; }

 protected:
  // Registers the class once per process (idempotent).
  static void registerClass(const wchar_t* name, UINT style, HCURSOR cursor, HBRUSH background);
  // Creates the window with this object bound to it.
  HWND createWindow(DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style,
                    int x, int y, int width, int height, HWND parent, HMENU id);
  virtual LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT defaultHandling(UINT message, WPARAM wParam, LPARAM lParam);
  // Forgets the window once it is destroyed.
  void detach() { hwnd_ = nullptr; }

 private:
  static LRESULT CALLBACK thunk(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  HWND hwnd_ = nullptr;
};

HINSTANCE programInstance();

// The window's dots per inch (96 where the system cannot tell).
int dpiOf(HWND window);

}  // namespace qo::win32
