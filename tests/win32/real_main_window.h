// The main window as the program builds it: the model on the real controls.
#pragma once

#include "platform/win32/main_window_win32.h"
#include "ui/main_window_model.h"

namespace qo::win32::testing {

struct RealMainWindow {
  // The real control of that name, found by its id: the window numbers its
  // controls from 100 in the definition's order, invisible components left out.
  HWND control(std::wstring_view name) const {
    Search search;
    for (const ControlDefinition& c : form1Definition().controls) {
      if (c.name == name) break;
      if (isVisibleAtRunTime(c.kind)) ++search.id;
    }
    ::EnumChildWindows(surface.hwnd(), &matchId, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  Win32MainWindow surface;
  MainWindowModel model{surface};

 private:
  struct Search {
    int id = 100;
    HWND found = nullptr;
  };
  // The system's calling convention, which a lambda does not have at 32 bits.
  static BOOL CALLBACK matchId(HWND child, LPARAM to) {
    auto* search = reinterpret_cast<Search*>(to);
    if (::GetDlgCtrlID(child) != search->id) return TRUE;
    search->found = child;
    return FALSE;
  }
};

}  // namespace qo::win32::testing
