#include "platform/win32/win32_error.h"

#include "base/failure.h"
#include "platform/win32/handles.h"

namespace qo::win32 {

std::wstring systemMessage(unsigned long code) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text;
  if (length != 0 && buffer != nullptr) text.assign(buffer, length);
  if (buffer != nullptr) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
    text.pop_back();
  }
  if (text.empty()) text = L"Windows error " + std::to_wstring(code) + L".";
  return text;
}

void throwError(std::wstring_view what, unsigned long code) {
  if (what.empty()) throw Failure(systemMessage(code));
  throw Failure(std::wstring(what) + L" " + systemMessage(code));
}

void throwLastError(std::wstring_view what) {
  const DWORD code = ::GetLastError();
  if (code == ERROR_SUCCESS) throw Failure(std::wstring(what));
  throwError(what, code);
}

void throwLastReason(std::wstring_view ownWords) {
  const DWORD code = ::GetLastError();
  if (code == ERROR_SUCCESS) throw Failure(std::wstring(ownWords));
  throwError(L"", code);
}

}  // namespace qo::win32
