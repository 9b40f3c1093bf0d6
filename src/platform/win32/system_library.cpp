#include "platform/win32/system_library.h"

#include "base/failure.h"

namespace qo::win32 {

SystemLibrary::SystemLibrary(const wchar_t* file, std::wstring purpose)
    : file_(file), purpose_(std::move(purpose)) {
  module_ = ::LoadLibraryExW(file, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!module_) {
    throw Failure(purpose_ + L" could not be loaded (" + file_ + L", error " +
                  std::to_wstring(::GetLastError()) + L").");
  }
}

FARPROC SystemLibrary::address(const char* name) const {
  FARPROC found = ::GetProcAddress(module_, name);
  if (!found) {
    throw Failure(purpose_ + L" could not be loaded (" + file_ + L" has no " +
                  std::wstring(name, name + std::char_traits<char>::length(name)) + L").");
  }
  return found;
}

}  // namespace qo::win32
