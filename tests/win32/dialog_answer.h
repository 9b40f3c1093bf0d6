// Answers the program's modal dialogs from a second thread, as a user would:
// waits for the dialog to appear, fills it in and presses a button.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "platform/win32/handles.h"

// After <windows.h>.
#include <commctrl.h>
#include <dlgs.h>

namespace qo::win32::testing {

struct DialogSearch {
  const std::wstring* caption;  // null: any caption
  HWND found;
};

inline BOOL CALLBACK matchOwnDialog(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<DialogSearch*>(context);
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  wchar_t className[16] = {};
  wchar_t text[64] = {};
  ::GetClassNameW(window, className, 16);
  ::GetWindowTextW(window, text, 64);
  if (process == ::GetCurrentProcessId() && std::wstring(className) == L"#32770" &&
      (!search->caption || *search->caption == text) && ::IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// A visible dialog box of this process with the given caption (any caption for
// null), or null.
inline HWND findOwnDialog(const std::wstring* caption) {
  DialogSearch search{caption, nullptr};
  ::EnumWindows(&matchOwnDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Answers one modal dialog from a second thread: waits up to ten seconds for it
// to appear, runs the answer, and cancels it should the answer not close it.  A
// dialog of another caption that shows up meanwhile is cancelled, so that a test
// fails rather than hangs.
class DialogAnswer {
 public:
  DialogAnswer(std::wstring caption, std::function<void(HWND)> answer)
      : thread_([this, caption = std::move(caption), answer = std::move(answer)] {
          run(caption, answer);
        }) {}
  DialogAnswer(const DialogAnswer&) = delete;
  DialogAnswer& operator=(const DialogAnswer&) = delete;
  ~DialogAnswer() {
    if (thread_.joinable()) thread_.join();
  }
  // Waits for the answering thread; true when it found the dialog.
  bool finish() {
    thread_.join();
    return seen_;
  }

 private:
  static void cancel(HWND dialog) {
    for (int i = 0; i < 250 && ::IsWindow(dialog); ++i) ::Sleep(20);
    if (::IsWindow(dialog)) ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  }

  void run(const std::wstring& caption, const std::function<void(HWND)>& answer) {
    HWND dialog = nullptr;
    for (int i = 0; i < 500 && !dialog; ++i) {
      ::Sleep(20);
      dialog = findOwnDialog(&caption);
    }
    if (!dialog) {
      if (HWND other = findOwnDialog(nullptr)) {
        ::PostMessageW(other, WM_COMMAND, IDCANCEL, 0);
        cancel(other);
      }
      return;
    }
    seen_ = true;
    answer(dialog);
    cancel(dialog);
  }

  std::atomic<bool> seen_{false};
  std::thread thread_;
};

inline void press(HWND dialog, int button) {
  ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(dialog, button)));
}

inline std::wstring controlText(HWND control) {
  wchar_t text[512] = {};
  ::GetWindowTextW(control, text, 512);
  return text;
}

// The file-name field: a plain edit box in the old style, the edit box of an
// extended combo box in the explorer style.
inline HWND fileNameField(HWND dialog) {
  if (HWND edit = ::GetDlgItem(dialog, edt1)) return edit;
  const HWND combo = ::GetDlgItem(dialog, cmb13);
  if (!combo) return nullptr;
  if (const auto edit = reinterpret_cast<HWND>(::SendMessageW(combo, CBEM_GETEDITCONTROL, 0, 0))) {
    return edit;
  }
  return ::FindWindowExW(combo, nullptr, L"Edit", nullptr);
}

// Types path into the file-name field of a "Save As" dialog and presses Save.
inline std::function<void(HWND)> saveAs(std::wstring path) {
  return [path = std::move(path)](HWND dialog) {
    ::SetWindowTextW(fileNameField(dialog), path.c_str());
    press(dialog, IDOK);
  };
}

}  // namespace qo::win32::testing
