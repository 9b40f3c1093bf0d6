#pragma once

#include <string>

#include "platform/win32/handles.h"

namespace qo::win32 {

// Loads a Windows cursor file (.CUR) as a cursor.  Throws Failure ("HAND-M.CUR
// could not be read as a cursor.", after the file's name) when the file cannot
// be read or is no cursor; the system's own loader is lenient with some files
// that are not cursors, so the bytes are checked first.
UniqueCursor loadCursorFile(const std::wstring& path);

}  // namespace qo::win32
