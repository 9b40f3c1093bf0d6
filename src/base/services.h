#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "base/failure.h"
#include "base/geometry.h"

namespace qo {

// The platform's services, as the handlers see them.  platform/win32 has the real
// ones, the test fakes keep them in memory.  Every call may throw Failure unless
// it says otherwise; a file operation's failure says why in the
// system's words ("Access is denied."), and the caller names the file.

// Message-box styles the program uses (the Windows MB_* values).
enum MessageBoxStyle : unsigned {
  kOkOnly = 0x00,
  kExclamation = 0x30,
};

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // Shows a modal box and returns when the user has dismissed it.
  virtual void show(std::wstring_view text, std::wstring_view title, unsigned style) = 0;
};

// The product's name: the main window's caption, the application title's start
// and the settings' section.
inline constexpr std::wstring_view kProductName = L"Quillmark Orvane";

// The running program as a whole.
class Application {
 public:
  virtual ~Application() = default;
  // The folder that holds the program file, without a trailing backslash
  // (except at the root of a drive).
  virtual std::wstring programFolder() = 0;
  // The title that message boxes without a title of their own carry.
  virtual std::wstring title() = 0;
  virtual void setTitle(std::wstring title) = 0;
  // Ends the program at once, whatever is open: no close handling of any window
  // runs and nothing after this call.
  [[noreturn]] virtual void end() = 0;
};

// The user's conventions for reading numbers.
struct NumberFormat {
  std::wstring decimal = L".";
  std::wstring group = L",";
  std::wstring currency = L"$";
};

class Locale {
 public:
  virtual ~Locale() = default;
  virtual NumberFormat numberFormat() = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Seconds since local midnight, from 0 up to just under 86400.
  virtual float secondsSinceMidnight() = 0;
};

class EventPump {
 public:
  virtual ~EventPump() = default;
  // Delivers every window event already pending for the thread, once; never waits.
  virtual void doEvents() = 0;
};

// What a directory search tells of the entry it found.
struct DirectoryEntry {
  bool folder = false;
  bool hidden = false;
  bool system = false;
};

// What writeNewFile throws when a file or folder of that name exists already;
// nothing was created or changed.
class NameTaken : public Failure {
 public:
  using Failure::Failure;
};

// What replaceFile throws when it stopped half-way: the file named to is gone,
// and what it held and what was to replace it are kept under the names given here
// (empty where that one is lost).  Those files are the user's only copies now.
class ReplaceUnfinished : public Failure {
 public:
  ReplaceUnfinished(std::wstring reason, std::wstring newAt, std::wstring oldAt)
      : Failure(std::move(reason)), keptNew(std::move(newAt)), keptOld(std::move(oldAt)) {}
  std::wstring keptNew;
  std::wstring keptOld;
};

// A file's bytes in pieces that follow one another in the file, so that a header
// and a large body already in memory are written without first being joined.
using FilePieces = std::span<const std::span<const std::uint8_t>>;

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Last-change time of the entry named by path; throws when it cannot be had.
  virtual std::int64_t lastChangeTime(const std::wstring& path) = 0;
  // Creates a file that must not exist yet and writes all of its pieces to it.
  // Throws NameTaken when the name is taken; a failure after the file was created
  // leaves it for the caller to remove.
  virtual void writeNewFile(const std::wstring& path, FilePieces pieces) = 0;
  // The same for a file of one piece.
  void writeNewFile(const std::wstring& path, std::span<const std::uint8_t> bytes) {
    writeNewFile(path, FilePieces(&bytes, 1));
  }
  // Moves from over to, replacing any file named to.  Throws ReplaceUnfinished
  // when it had to stop with neither file under the name to.
  virtual void replaceFile(const std::wstring& from, const std::wstring& to) = 0;
  // Removes a file; never throws.
  virtual void removeFile(const std::wstring& path) noexcept = 0;
  // Searches for exactly the entry that path names (a file or a folder, never a
  // pattern); empty when there is none.  Never throws.  A file system that cannot
  // search finds nothing.
  virtual std::optional<DirectoryEntry> findEntry(const std::wstring& /*path*/) noexcept {
    return std::nullopt;
  }
};

// The device context of the whole screen, held until destroyed.
class ScreenContext {
 public:
  virtual ~ScreenContext() = default;
};

class Screen {
 public:
  virtual ~Screen() = default;
  // Width and height of the primary display in pixels.
  virtual Size size() = 0;
  virtual std::unique_ptr<ScreenContext> getDC() = 0;
};

}  // namespace qo
