#pragma once

#include <string_view>

#include "platform/win32/handles.h"

namespace qo::win32 {

// What our own control tells a screen reader in place of the system's guesses (its
// text, and "client" for a class it does not know).  Empty and 0 keep the system's.
struct AccessibleFacts {
  std::wstring_view name;
  long role = 0;  // a ROLE_SYSTEM_* value
  // The control can be pressed: its default action is "Press", which clicks it
  // (BM_CLICK, posted).
  bool pressable = false;
};

// Answers WM_GETOBJECT for the client area of one of our own controls with an
// object of ours that tells facts and asks the system's standard object for the
// rest.  Accessibility is loaded only when something asks; where our object cannot
// be had, the system's default answer stands.
LRESULT answerGetObject(HWND control, WPARAM wParam, LPARAM lParam, const AccessibleFacts& facts);

}  // namespace qo::win32
