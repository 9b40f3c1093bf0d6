#include "platform/win32/services_win32.h"

#include <algorithm>
#include <new>
#include <optional>
#include <utility>
#include <vector>

#include "base/error_report.h"
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

// Called from the system's frames, so nothing may be thrown out of it: a window
// that cannot be noted is left enabled and the walk stops.
BOOL CALLBACK disableEnabled(HWND window, LPARAM disabled) {
  if (!::IsWindowEnabled(window)) return TRUE;
  try {
    reinterpret_cast<std::vector<HWND>*>(disabled)->push_back(window);
  } catch (const std::bad_alloc&) {
    return FALSE;
  }
  ::EnableWindow(window, FALSE);
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

BOOL CALLBACK findTopmostShown(HWND window, LPARAM found) {
  if (!::IsWindowVisible(window) || !(::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST)) {
    return TRUE;
  }
  *reinterpret_cast<bool*>(found) = true;
  return FALSE;
}

bool topmostWindowShown() {
  bool found = false;
  ::EnumThreadWindows(::GetCurrentThreadId(), &findTopmostShown, reinterpret_cast<LPARAM>(&found));
  return found;
}

bool isTopmost(HWND window) { return ::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST; }

// A dialog owned by a window that is not topmost (the main window) stays an
// ordinary window: raised, it would stay above every other program until it closes.
LRESULT CALLBACK raiseDialogComingUp(int code, WPARAM wParam, LPARAM lParam) {
  const auto window = reinterpret_cast<HWND>(wParam);
  wchar_t className[8] = {};
  const auto ownedByOrdinary = [window] {
    const HWND owner = ::GetWindow(window, GW_OWNER);
    return owner && !isTopmost(owner);
  };
  if (code == HCBT_ACTIVATE && ::GetClassNameW(window, className, 8) &&
      std::wstring_view(className) == L"#32770" && !isTopmost(window) && !ownedByOrdinary()) {
    ::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

DialogsAboveTopmost::DialogsAboveTopmost() {
  if (topmostWindowShown()) {
    hook_ = ::SetWindowsHookExW(WH_CBT, &raiseDialogComingUp, nullptr, ::GetCurrentThreadId());
  }
}

DialogsAboveTopmost::~DialogsAboveTopmost() {
  if (hook_) ::UnhookWindowsHookEx(hook_);
}

void Win32MessageBoxes::show(std::wstring_view text, std::wstring_view title, unsigned style) {
  const std::wstring textZ(text);
  const std::wstring titleZ(title);
  const HWND owner = ::GetActiveWindow();
  const OtherWindowsDisabled modal(owner);
  const DialogsAboveTopmost above;
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

namespace {

// How long a replace is tried again while something else holds the file.
constexpr ULONGLONG kHeldFileWaitMs = 1000;
// What the new file takes over from the file it replaces, where the system's own
// replace does not carry it.  Not the archive bit: a new file is always one for
// the next backup to take, whatever the old one's said.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// The reasons a replace fails for while the search indexer, a virus scanner, a
// sync client or a viewer has a file open for a moment.  A replace given a backup
// name that could not move a file leaves both under their names, or the old one
// under the backup name, which the next try finishes with a move.
bool heldByAnother(DWORD code) {
  switch (code) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_ACCESS_DENIED:
    case ERROR_USER_MAPPED_FILE:
    case ERROR_UNABLE_TO_REMOVE_REPLACED:
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT_2:
      return true;
    default:
      return false;
  }
}

DWORD lastErrorOf(BOOL done) { return done ? ERROR_SUCCESS : ::GetLastError(); }

bool entryExists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Whether another program has the file open without letting it be removed.
bool targetHeld(const std::wstring& path) {
  ::SetLastError(0);
  const UniqueFile file(::CreateFileW(path.c_str(), DELETE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return !file && ::GetLastError() == ERROR_SHARING_VIOLATION;
}

// ReplaceFileW gives the new file the old one's permissions, attributes and
// creation time.  [Wine] Wine's leaves an empty file of its own behind when
// another program holds the target, so a held target is found out first.
DWORD systemReplace(const std::wstring& target, const std::wstring& replacement,
                    const std::wstring& backup) {
  if (targetHeld(target)) return ERROR_SHARING_VIOLATION;
  return lastErrorOf(::ReplaceFileW(
      target.c_str(), replacement.c_str(), backup.empty() ? nullptr : backup.c_str(),
      REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr, nullptr));
}

DWORD systemMove(const std::wstring& from, const std::wstring& to) {
  return lastErrorOf(
      ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
}

// A free name for the old file while it is replaced: the new file's temporary name
// with its last character changed, so that it fits wherever that one fits.  Empty
// when none is free.
std::wstring backupNameFor(const std::wstring& from) {
  for (const wchar_t last : {L'~', L'_', L'='}) {
    if (from.empty() || from.back() == last) continue;
    std::wstring name = from;
    name.back() = last;
    if (!entryExists(name)) return name;
  }
  return {};
}

// Tries attempt until it succeeds, fails for another reason than a held file, or
// about a second has passed; returns its last result.
DWORD retryWhileHeld(const std::function<DWORD()>& attempt) {
  const ULONGLONG deadline = ::GetTickCount64() + kHeldFileWaitMs;
  DWORD pause = 10;
  for (;;) {
    const DWORD code = attempt();
    if (code == ERROR_SUCCESS || !heldByAnother(code) || ::GetTickCount64() + pause > deadline) {
      return code;
    }
    ::Sleep(pause);
    pause = std::min<DWORD>(pause * 2, 200);
  }
}

// The new file goes to the next backup (the system's replace carries the old
// file's attributes over, the archive bit with them).
void markForBackup(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_ARCHIVE)) {
    ::SetFileAttributesW(path.c_str(), attributes | FILE_ATTRIBUTE_ARCHIVE);
  }
}

}  // namespace

FileMoves systemFileMoves() { return {systemReplace, systemMove}; }

// One try: a replace, or a move where there is nothing to replace (also once a try
// that stopped half-way has moved the old file aside).  Where the system cannot
// replace at all (a device name, a file system that does not know how) and the old
// file is still in place, a plain move does it.
DWORD Win32FileSystem::replaceOrMove(const std::wstring& from, const std::wstring& to,
                                     const std::wstring& backup) {
  if (!entryExists(to)) return moves_.move(from, to);
  const DWORD code = moves_.replace(to, from, backup);
  if (code == ERROR_SUCCESS || heldByAnother(code) || !entryExists(to)) return code;
  return moves_.move(from, to);
}

void Win32FileSystem::replaceFile(const std::wstring& from, const std::wstring& to) {
  const DWORD attributes = ::GetFileAttributesW(to.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  // [Wine] Windows refuses to replace a read-only file; Wine does not.  A file the user
  // protected stays protected on both, and a folder is never replaced.
  if (exists && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
    throwError(L"", ERROR_ACCESS_DENIED);
  }
  // [Wine] Wine's ReplaceFileW carries no attributes over: they go on the new file first.
  if (exists) {
    ::SetFileAttributesW(from.c_str(), (attributes & kKeptAttributes) | FILE_ATTRIBUTE_ARCHIVE);
  }
  // With a backup name of our own, a replace that stops half-way leaves the old
  // file under a name we know.
  const std::wstring backup = exists ? backupNameFor(from) : std::wstring();
  const DWORD code = retryWhileHeld([&] { return replaceOrMove(from, to, backup); });
  if (exists && code != ERROR_SUCCESS && !entryExists(to)) {
    finishHalfwayReplace(from, to, backup, code);
  }
  if (!backup.empty()) ::DeleteFileW(backup.c_str());  // the old file, or a copy of it
  if (code != ERROR_SUCCESS) {
    ::SetLastError(code);
    throwLastReason(L"The file could not be put in place.");
  }
  markForBackup(to);
}

// Neither file is under the name to: the old one is moved back.  Where even that
// fails, both stay under the names they have, which the failure gives, and nothing
// is removed: they are the only copies.
void Win32FileSystem::finishHalfwayReplace(const std::wstring& from, const std::wstring& to,
                                           const std::wstring& backup, DWORD code) {
  if (!backup.empty() && entryExists(backup) &&
      retryWhileHeld([&] { return moves_.move(backup, to); }) == ERROR_SUCCESS) {
    return;
  }
  throw ReplaceUnfinished(systemMessage(code), entryExists(from) ? from : std::wstring(),
                          !backup.empty() && entryExists(backup) ? backup : std::wstring());
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
  if (!sameIgnoringCase(found.cFileName, name.c_str())) {
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
// Read once and kept until the setting changes: every part asks as it paints.
std::optional<bool> knownHighContrast;

}  // namespace

bool highContrastOn() {
  if (!knownHighContrast) knownHighContrast = highContrastReader();
  return *knownHighContrast;
}

void forgetHighContrast() { knownHighContrast.reset(); }

HighContrastReader setHighContrastReader(HighContrastReader reader) {
  forgetHighContrast();
  return std::exchange(highContrastReader, reader);
}

PaintColours paintColoursNow(Colour background, Colour text) {
  return paintColours({background, text}, highContrastOn());
}

// There is no numbered statement to name: the report names the form, WindowProc
// as the handler, and the window message in place of the line.  A failure while
// such a report is open (a repaint behind it, say) is not reported again.
std::function<void(std::wstring_view, UINT)> uncaughtErrorReport(std::wstring_view form) {
  return [form](std::wstring_view description, UINT message) {
    static bool reportOpen = false;
    if (std::exchange(reportOpen, true)) return;
    Win32MessageBoxes boxes;
    try {
      showErrorReport(boxes, description, location::windowProcedureLocation(form),
                      static_cast<int>(message));
    } catch (...) {  // a report that cannot be shown must not take the program down
    }
    reportOpen = false;
  };
}

}  // namespace qo::win32
