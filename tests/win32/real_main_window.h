// The main window as the program builds it: the model on the real controls.
#pragma once

#include "platform/win32/main_window_win32.h"
#include "ui/main_window_model.h"

namespace qo::win32::testing {

struct RealMainWindow {
  HWND control(std::wstring_view name) const {
    return surface.control(controlIndex(form1Definition(), name));
  }

  Win32MainWindow surface;
  MainWindowModel model{surface};
};

}  // namespace qo::win32::testing
