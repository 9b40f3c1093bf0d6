#include "platform/win32/cursor_file_win32.h"

#include <vector>

#include "formats/cursor_file.h"
#include "base/failure.h"
#include "platform/win32/services_win32.h"

namespace qo::win32 {

UniqueCursor loadCursorFile(const std::wstring& path) {
  // The program loads no other cursor file, so the report names this one.
  const Failure unreadable(L"HAND-M.CUR could not be read as a cursor.");
  std::vector<std::uint8_t> bytes;
  try {
    bytes = readSmallFile(path, kLargestCursorFile, L"HAND-M.CUR");
  } catch (const Failure&) {
    throw unreadable;  // whatever the reason, the report says the same
  }
  if (!isCursorFile(bytes)) throw unreadable;
  UniqueCursor cursor(static_cast<HCURSOR>(
      ::LoadImageW(nullptr, path.c_str(), IMAGE_CURSOR, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE)));
  if (!cursor) throw unreadable;
  return cursor;
}

}  // namespace qo::win32
