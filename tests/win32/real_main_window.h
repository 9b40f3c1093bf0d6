// The main window as the program builds it: the model on the real controls.
#pragma once

#include "platform/win32/main_window_win32.h"
#include "ui/main_window_model.h"

namespace qo::win32::testing {

struct RealMainWindow {
  // The real control of that name, found by its id: the window numbers its
  // controls from 100 in the definition's order, invisible components left out.
  HWND control(std::wstring_view name) const {
    struct Search {
      int id = 100;
      HWND found = nullptr;
    } search;
    for (const ControlDefinition& c : form1Definition().controls) {
      if (c.name == name) break;
      if (isVisibleAtRunTime(c.kind)) ++search.id;
    }
    const auto match = [](HWND child, LPARAM to) -> BOOL {
      auto* s = reinterpret_cast<Search*>(to);
      if (::GetDlgCtrlID(child) != s->id) return TRUE;
      s->found = child;
      return FALSE;
    };
    ::EnumChildWindows(surface.hwnd(), match, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  Win32MainWindow surface;
  MainWindowModel model{surface};
};

}  // namespace qo::win32::testing
