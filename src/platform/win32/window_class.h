#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/win32/handles.h"

namespace qo::win32 {

// Sets the program file's own icon, in the two sizes a window shows, on window.
// The icons are loaded on first use and kept until the program ends: every
// window, and each opening of the overlay, shows the same two.  Throws Failure
// when they cannot be loaded.
void setApplicationIcons(HWND window);

// What a window does with a failure nothing below its window procedure caught
// (its description, the message being handled); it must not throw.
using UncaughtFailureReport = std::function<void(std::wstring_view description, UINT message)>;

// Base of our window objects: one thunk per class binds the object on
// WM_NCCREATE and forwards each message to onMessage.  Its windows are counted
// in HandleCounts from WM_NCCREATE to WM_NCDESTROY.
//
// The thunk is the one place where window messages enter our code: nothing
// thrown leaves it into the system's frames, and a window object is never
// deleted while one of its own messages is being handled.  A top-level window is
// given its report; a child reports as the top-level window it belongs to does.
class WindowBase {
 public:
  WindowBase() = default;
  explicit WindowBase(UncaughtFailureReport report) : report_(std::move(report)) {}
  WindowBase(const WindowBase&) = delete;
  WindowBase& operator=(const WindowBase&) = delete;
  // A window still alive here belongs to an object whose building failed: it is
  // destroyed without any further message reaching the object.
  virtual ~WindowBase();

  HWND hwnd() const { return hwnd_; }

  // Destroys the object and its window now or, when the window is handling a
  // message of its own, hides the window now and destroys both once the
  // outermost of those messages has been handled.
  static void destroyWhenIdle(std::unique_ptr<WindowBase> window);

 protected:
  // Registers the class once per process (idempotent).
  static void registerClass(const wchar_t* name, UINT style, HCURSOR cursor, HBRUSH background);
  // Creates the window with this object bound to it.
  HWND createWindow(DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style,
                    int x, int y, int width, int height, HWND parent, HMENU id);
  virtual LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT defaultHandling(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK thunk(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) noexcept;
  void reportUncaught(UINT message, const std::exception_ptr& error) noexcept;
  static WindowBase* objectOf(HWND window);

  UncaughtFailureReport report_;
  HWND hwnd_ = nullptr;
  int messagesInHand_ = 0;  // nested messages of this window being handled
  bool destroyWhenIdle_ = false;
};

HINSTANCE programInstance();

// A window's whole text (a control's, or a window's caption).
std::wstring windowText(HWND window);

// The window's dots per inch (96 where the system cannot tell).
int dpiOf(HWND window);

// The mouse buttons held, as a mouse event's Button argument counts them (1 left,
// 2 right, 4 middle), from a mouse message's key flags.
int buttonsHeld(WPARAM keys);
// Shift 1, Ctrl 2, Alt 4, as a mouse event's Shift argument counts them.
int shiftState(WPARAM keys);

}  // namespace qo::win32
