#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/controls.h"
#include "base/services.h"
#include "platform/win32/handles.h"

namespace qo::win32 {

class Win32Application final : public Application {
 public:
  std::wstring programFolder() override;
  std::wstring title() override { return title_; }
  void setTitle(std::wstring title) override { title_ = std::move(title); }
  [[noreturn]] void end() override;

 private:
  std::wstring title_{kProductName};
};

// While it lives, a dialog box that comes up on this thread (a message box, a
// common dialog) with no owner or a topmost owner is made topmost when a topmost
// window of the program (the overlay) is shown, so that it opens above that window
// and never behind it.  [Wine] Wine does not make an owned dialog topmost with its
// owner, and ignores MB_TOPMOST.
class DialogsAboveTopmost {
 public:
  DialogsAboveTopmost();
  DialogsAboveTopmost(const DialogsAboveTopmost&) = delete;
  DialogsAboveTopmost& operator=(const DialogsAboveTopmost&) = delete;
  ~DialogsAboveTopmost();

 private:
  HHOOK hook_ = nullptr;
};

// The error report for a failure that reached a window procedure of form's
// windows unhandled, for WindowBase (UncaughtFailureReport).
std::function<void(std::wstring_view description, UINT message)> uncaughtErrorReport(
    std::wstring_view form);

// Two names equal ignoring case, as the file system and window classes compare them.
inline bool sameIgnoringCase(const wchar_t* a, const wchar_t* b) {
  return ::CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

class Win32MessageBoxes final : public MessageBoxes {
 public:
  void show(std::wstring_view text, std::wstring_view title, unsigned style) override;
};

class Win32Locale final : public Locale {
 public:
  NumberFormat numberFormat() override;
};

class Win32Clock final : public Clock {
 public:
  float secondsSinceMidnight() override;
};

// Delivers messages for the thread.  A filter may take a message before it is
// translated and dispatched (the main window's keyboard navigation).
class Win32EventPump final : public EventPump {
 public:
  using Filter = std::function<bool(MSG&)>;
  void setFilter(Filter filter) { filter_ = std::move(filter); }
  void doEvents() override;
  // Runs until WM_QUIT; returns its exit code.
  int run();

 private:
  void deliver(MSG& message);
  Filter filter_;
};

// The two system calls a replace is made of, each giving a Win32 error code (0 when
// done): a test stands in its own to play what only Windows does, such as a replace
// that stops half-way.
struct FileMoves {
  // ReplaceFileW: target takes replacement's place; the old target goes to backup.
  std::function<DWORD(const std::wstring& target, const std::wstring& replacement,
                      const std::wstring& backup)>
      replace;
  // MoveFileExW, replacing an existing file.
  std::function<DWORD(const std::wstring& from, const std::wstring& to)> move;
};
// The system's own.
FileMoves systemFileMoves();

class Win32FileSystem final : public FileSystem {
 public:
  explicit Win32FileSystem(FileMoves moves = systemFileMoves()) : moves_(std::move(moves)) {}
  std::int64_t lastChangeTime(const std::wstring& path) override;
  using FileSystem::writeNewFile;
  void writeNewFile(const std::wstring& path, FilePieces pieces) override;
  void replaceFile(const std::wstring& from, const std::wstring& to) override;
  void removeFile(const std::wstring& path) noexcept override;
  std::optional<DirectoryEntry> findEntry(const std::wstring& path) noexcept override;

 private:
  DWORD replaceOrMove(const std::wstring& from, const std::wstring& to, const std::wstring& backup);
  void finishHalfwayReplace(const std::wstring& from, const std::wstring& to,
                            const std::wstring& backup, DWORD code);

  FileMoves moves_;
};

class Win32ScreenContext final : public ScreenContext {
 public:
  Win32ScreenContext() : dc_(nullptr) {}
  HDC get() const { return dc_.get(); }

 private:
  WindowDc dc_;
};

class Win32Screen final : public Screen {
 public:
  Size size() override;
  std::unique_ptr<ScreenContext> getDC() override;
};

// A file's bytes, or as many (limit + 1) as show it is larger than a caller takes.
// Throws Failure ("<what> \"<path>\" could not be opened." or "... read.", with
// the system's reason) when it cannot be opened or read.
std::vector<std::uint8_t> readSmallFile(const std::wstring& path, std::size_t limit,
                                        std::wstring_view what);

// A system colour index or a plain colour, as GDI takes it.
COLORREF toColorRef(Colour colour);

// Whether the user's high-contrast setting is on now.
bool highContrastOn();
// Reads the setting again at the next question (it has changed).
void forgetHighContrast();
// Stands another answer in for the system's (Wine never turns high contrast on);
// returns the reader it replaces.
using HighContrastReader = bool (*)();
HighContrastReader setHighContrastReader(HighContrastReader reader);

// The colours to paint a part with now (paintColours at the current setting).
PaintColours paintColoursNow(Colour background, Colour text);

}  // namespace qo::win32
