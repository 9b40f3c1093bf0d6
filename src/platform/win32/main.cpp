// The program's entry point: builds the real platform and the main window.
#include "platform/win32/handles.h"  // <windows.h> before the other system headers

#include <commctrl.h>
#include <objbase.h>

#include "base/error_report.h"
#include "base/failure.h"
#include "base/platform.h"
#include "forms/form1.h"
#include "platform/win32/main_window_win32.h"
#include "platform/win32/overlay_window_win32.h"
#include "platform/win32/services_win32.h"
#include "platform/win32/settings_store_win32.h"
#include "ui/main_window_model.h"

namespace {

void initialiseCommonControls() {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
}

// The window thread's COM apartment, which handing a screen reader our controls'
// objects (LresultFromObject) needs.  Without one the reader reads the system's
// objects instead.
class ComApartment {
 public:
  ComApartment()
      : started_(SUCCEEDED(
            ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment() {
    if (started_) ::CoUninitialize();
  }

 private:
  bool started_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace qo::win32;
  // Libraries loaded later (the common dialogs, OLE automation and what they load) come from the
  // system folder only, never from the program's folder or the current one.
  ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  initialiseCommonControls();
  const ComApartment apartment;
  Win32Application app;
  Win32MessageBoxes messages;
  Win32Locale locale;
  Win32Clock clock;
  Win32EventPump events;
  Win32FileSystem files;
  Win32Screen screen;
  Win32OverlayHost overlays;
  Win32SettingsStore settings;
  qo::Platform platform{app, messages, locale, clock, events, files, screen, overlays, settings};
  try {
    Win32MainWindow surface;
    qo::MainWindowModel mainWindow(surface);
    qo::Form1 form1(platform, mainWindow);
    events.setFilter([&surface](MSG& message) { return surface.navigate(message); });
    surface.showFirstTime();
    return events.run();
  } catch (const qo::Failure& failure) {
    // Nothing can run without the main window.
    ::MessageBoxW(nullptr, failure.description().c_str(), qo::kErrorReportTitle.data(),
                  MB_OK | MB_ICONEXCLAMATION);
    return 1;
  }
}
