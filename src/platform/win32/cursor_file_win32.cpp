#include "platform/win32/cursor_file_win32.h"

#include <vector>

#include "app/cursor_file.h"
#include "base/failure.h"

namespace qo::win32 {

namespace {

// The file's bytes, or as many as show it is too large to be a cursor; empty
// when it cannot be read.
std::vector<std::uint8_t> readCursorBytes(const std::wstring& path) {
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return {};
  std::vector<std::uint8_t> bytes(kLargestCursorFile + 1);
  std::size_t filled = 0;
  DWORD done = 0;
  while (filled < bytes.size() &&
         ::ReadFile(file.get(), bytes.data() + filled, static_cast<DWORD>(bytes.size() - filled),
                    &done, nullptr) &&
         done > 0) {
    filled += done;
  }
  bytes.resize(filled);
  return bytes;
}

}  // namespace

UniqueCursor loadCursorFile(const std::wstring& path) {
  // The program loads no other cursor file, so the report names this one.
  const Failure unreadable(L"HAND-M.CUR could not be read as a cursor.");
  if (!isCursorFile(readCursorBytes(path))) throw unreadable;
  UniqueCursor cursor(static_cast<HCURSOR>(
      ::LoadImageW(nullptr, path.c_str(), IMAGE_CURSOR, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE)));
  if (!cursor) throw unreadable;
  return cursor;
}

}  // namespace qo::win32
