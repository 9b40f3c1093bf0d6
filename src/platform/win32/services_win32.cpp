#include "platform/win32/services_win32.h"

#include <vector>

#include "base/failure.h"
#include "platform/win32/win32_error.h"

namespace qo::win32 {

std::wstring Win32Application::programFolder() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) throwLastError(L"The program's own path could not be read.");
    if (length < buffer.size()) {
      std::wstring path(buffer.data(), length);
      const auto slash = path.find_last_of(L"\\/");
      if (slash == std::wstring::npos) return path;
      // A drive root keeps its backslash ("C:\"), any other folder loses it.
      return path.substr(0, slash == 2 && path[1] == L':' ? slash + 1 : slash);
    }
    buffer.resize(buffer.size() * 2);
  }
}

// Whatever is open (the overlay, a modal box, the pause) goes with the process.
void Win32Application::end() { ::ExitProcess(0); }

void Win32MessageBoxes::show(std::wstring_view text, std::wstring_view title, unsigned style) {
  const std::wstring textZ(text);
  const std::wstring titleZ(title);
  if (::MessageBoxW(::GetActiveWindow(), textZ.c_str(), titleZ.c_str(), style | MB_SETFOREGROUND) ==
      0) {
    throwLastError(L"A message box could not be shown.");
  }
}

namespace {

std::wstring localeText(LCTYPE type, const wchar_t* fallback) {
  wchar_t buffer[16] = {};
  if (::GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 16) <= 1) return fallback;
  return buffer;
}

}  // namespace

NumberFormat Win32Locale::numberFormat() {
  return {localeText(LOCALE_SDECIMAL, L"."), localeText(LOCALE_STHOUSAND, L","),
          localeText(LOCALE_SCURRENCY, L"$")};
}

float Win32Clock::secondsSinceMidnight() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return static_cast<float>(now.wHour * 3600 + now.wMinute * 60 + now.wSecond) +
         static_cast<float>(now.wMilliseconds) / 1000.0f;
}

void Win32EventPump::deliver(MSG& message) {
  if (filter_ && filter_(message)) return;
  ::TranslateMessage(&message);
  ::DispatchMessageW(&message);
}

void Win32EventPump::doEvents() {
  MSG message{};
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Leave the quit request for the main loop.
      ::PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    deliver(message);
  }
}

int Win32EventPump::run() {
  MSG message{};
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) deliver(message);
  return static_cast<int>(message.wParam);
}

std::int64_t Win32FileSystem::lastChangeTime(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
    throwLastError(L"\"" + path + L"\" could not be found.");
  }
  return (static_cast<std::int64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
         data.ftLastWriteTime.dwLowDateTime;
}

void Win32FileSystem::writeNewFile(const std::wstring& path, std::span<const std::uint8_t> bytes) {
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) throwLastError(L"");
  std::size_t written = 0;
  while (written < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - written, 1u << 24));
    DWORD done = 0;
    if (!::WriteFile(file.get(), bytes.data() + written, chunk, &done, nullptr) || done == 0) {
      throwLastError(L"");
    }
    written += done;
  }
  if (!::FlushFileBuffers(file.get())) throwLastError(L"");
}

void Win32FileSystem::replaceFile(const std::wstring& from, const std::wstring& to) {
  // Windows refuses to move over a read-only file; Wine does not.  A file the
  // user protected stays protected on both.
  const DWORD attributes = ::GetFileAttributesW(to.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    throwError(L"", ERROR_ACCESS_DENIED);
  }
  if (!::MoveFileExW(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    throwLastError(L"");
  }
}

void Win32FileSystem::removeFile(const std::wstring& path) noexcept { ::DeleteFileW(path.c_str()); }

namespace {

struct FindTraits {
  using Handle = HANDLE;
  static constexpr HandleKind kKind = HandleKind::File;
  static Handle empty() { return INVALID_HANDLE_VALUE; }
  static void close(Handle h) { ::FindClose(h); }
};
using UniqueFind = UniqueHandle<FindTraits>;

}  // namespace

std::optional<DirectoryEntry> Win32FileSystem::findEntry(const std::wstring& path) noexcept {
  // One exact name: wildcards would make the search a pattern.
  if (path.find_first_of(L"*?") != std::wstring::npos) return std::nullopt;
  WIN32_FIND_DATAW found{};
  UniqueFind search(::FindFirstFileW(path.c_str(), &found));
  if (!search) return std::nullopt;
  // The search also matches short 8.3 aliases; only the entry's own name counts.
  const std::wstring name = path.substr(path.find_last_of(L"\\/") + 1);
  if (::CompareStringOrdinal(found.cFileName, -1, name.c_str(), -1, TRUE) != CSTR_EQUAL) {
    return std::nullopt;
  }
  const DWORD attributes = found.dwFileAttributes;
  return DirectoryEntry{.folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                        .hidden = (attributes & FILE_ATTRIBUTE_HIDDEN) != 0,
                        .system = (attributes & FILE_ATTRIBUTE_SYSTEM) != 0,
                        .readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0};
}

Size Win32Screen::size() {
  return {::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
}

std::unique_ptr<ScreenContext> Win32Screen::getDC() {
  auto context = std::make_unique<Win32ScreenContext>();
  if (!context->get()) throw Failure(L"The screen's device context could not be obtained.");
  return context;
}

COLORREF toColorRef(Colour colour) {
  if (isSystemColour(colour)) return ::GetSysColor(static_cast<int>(colour & 0xFF));
  return static_cast<COLORREF>(colour & 0x00FFFFFF);
}

}  // namespace qo::win32
