#pragma once

#include <string>

#include "platform/win32/handles.h"

namespace qo::win32 {

// A library of the system loaded when it is first needed rather than at start,
// from the system folder only: one of the same name planted beside the program
// or in the current folder is never loaded.  It stays loaded for the rest of the
// process (what it started, such as threads of the shell, may outlive its use).
// A library that cannot be loaded, or lacks a function, throws Failure naming
// what it is for ("The common dialogs").
class SystemLibrary {
 public:
  SystemLibrary(const wchar_t* file, std::wstring purpose);

  template <class Function>
  Function function(const char* name) const {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(address(name)));
  }

 private:
  FARPROC address(const char* name) const;

  std::wstring file_;
  std::wstring purpose_;
  HMODULE module_;
};

// A function of user32, which every window program has loaded, that older
// systems lack: nullptr there.
template <class Function>
Function user32Function(const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), name)));
}

}  // namespace qo::win32
