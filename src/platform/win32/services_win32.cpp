#include "platform/win32/services_win32.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "base/failure.h"
#include "platform/win32/win32_error.h"

namespace qo::win32 {

std::wstring Win32Application::programFolder() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    ::SetLastError(0);
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

namespace {

BOOL CALLBACK disableEnabled(HWND window, LPARAM disabled) {
  if (::IsWindowEnabled(window)) {
    ::EnableWindow(window, FALSE);
    reinterpret_cast<std::vector<HWND>*>(disabled)->push_back(window);
  }
  return TRUE;
}

// Disables every top-level window of the thread but one while it lives, and
// enables again what it disabled: a message box is modal to the whole program,
// not only to its owner.
class OtherWindowsDisabled {
 public:
  explicit OtherWindowsDisabled(HWND owner) {
    ::EnumThreadWindows(::GetCurrentThreadId(), &disableEnabled,
                        reinterpret_cast<LPARAM>(&disabled_));
    // The box disables its owner itself and must find it enabled, or the owner
    // would not be activated again when the box closes.
    if (owner) {
      const auto found = std::find(disabled_.begin(), disabled_.end(), owner);
      if (found != disabled_.end()) {
        ::EnableWindow(owner, TRUE);
        disabled_.erase(found);
      }
    }
  }
  OtherWindowsDisabled(const OtherWindowsDisabled&) = delete;
  OtherWindowsDisabled& operator=(const OtherWindowsDisabled&) = delete;
  ~OtherWindowsDisabled() {
    for (const HWND window : disabled_) {
      if (::IsWindow(window)) ::EnableWindow(window, TRUE);
    }
  }

 private:
  std::vector<HWND> disabled_;
};

}  // namespace

void Win32MessageBoxes::show(std::wstring_view text, std::wstring_view title, unsigned style) {
  const std::wstring textZ(text);
  const std::wstring titleZ(title);
  const HWND owner = ::GetActiveWindow();
  const OtherWindowsDisabled modal(owner);
  ::SetLastError(0);
  if (::MessageBoxW(owner, textZ.c_str(), titleZ.c_str(), style | MB_SETFOREGROUND) == 0) {
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
  ::SetLastError(0);
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
    throwLastError(L"\"" + path + L"\" could not be found.");
  }
  return (static_cast<std::int64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
         data.ftLastWriteTime.dwLowDateTime;
}

void Win32FileSystem::writeNewFile(const std::wstring& path, FilePieces pieces) {
  ::SetLastError(0);
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD code = ::GetLastError();
    // Whatever the reason given, an entry of that name is someone else's.
    if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS ||
        ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
      throw NameTaken(systemMessage(code == ERROR_SUCCESS ? ERROR_FILE_EXISTS : code));
    }
    ::SetLastError(code);
    throwLastReason(L"The file could not be created.");
  }
  for (const auto bytes : pieces) {
    std::size_t written = 0;
    while (written < bytes.size()) {
      const DWORD chunk =
          static_cast<DWORD>(std::min<std::size_t>(bytes.size() - written, 1u << 24));
      DWORD done = 0;
      ::SetLastError(0);
      if (!::WriteFile(file.get(), bytes.data() + written, chunk, &done, nullptr) || done == 0) {
        throwLastReason(L"The file could not be written.");
      }
      written += done;
    }
  }
  ::SetLastError(0);
  if (!::FlushFileBuffers(file.get())) throwLastReason(L"The file could not be written.");
}

void Win32FileSystem::replaceFile(const std::wstring& from, const std::wstring& to) {
  // Windows refuses to move over a read-only file; Wine does not.  A file the
  // user protected stays protected on both.
  const DWORD attributes = ::GetFileAttributesW(to.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    throwError(L"", ERROR_ACCESS_DENIED);
  }
  ::SetLastError(0);
  if (!::MoveFileExW(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    throwLastReason(L"The file could not be put in place.");
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
                        .system = (attributes & FILE_ATTRIBUTE_SYSTEM) != 0};
}

std::vector<std::uint8_t> readSmallFile(const std::wstring& path, std::size_t limit,
                                        std::wstring_view what) {
  const std::wstring named = std::wstring(what) + L" \"" + path + L"\" could not be ";
  ::SetLastError(0);
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) throwLastError(named + L"opened.");
  std::vector<std::uint8_t> bytes(limit + 1);
  std::size_t filled = 0;
  DWORD done = 0;
  while (filled < bytes.size()) {
    ::SetLastError(0);
    if (!::ReadFile(file.get(), bytes.data() + filled, static_cast<DWORD>(bytes.size() - filled),
                    &done, nullptr)) {
      throwLastError(named + L"read.");
    }
    if (done == 0) break;
    filled += done;
  }
  bytes.resize(filled);
  return bytes;
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

namespace {

bool systemHighContrast() {
  HIGHCONTRASTW setting{sizeof setting, 0, nullptr};
  return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof setting, &setting, 0) &&
         (setting.dwFlags & HCF_HIGHCONTRASTON);
}

HighContrastReader highContrastReader = systemHighContrast;

}  // namespace

bool highContrastOn() { return highContrastReader(); }

HighContrastReader setHighContrastReader(HighContrastReader reader) {
  return std::exchange(highContrastReader, reader);
}

PaintColours paintColoursNow(Colour background, Colour text) {
  return paintColours({background, text}, highContrastOn());
}

}  // namespace qo::win32
