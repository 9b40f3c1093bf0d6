#pragma once

#include <string>

#include "platform/win32/handles.h"

namespace qo::win32 {

// Loads the hand pointer file HAND-M.CUR (a Windows .CUR file) as a cursor.
// Throws Failure ("HAND-M.CUR could not be read as a cursor.") when the file
// cannot be read or is no cursor; the system's own loader takes some files that
// are not cursors (Wine's takes an icon), so the bytes are checked first.
UniqueCursor loadCursorFile(const std::wstring& path);

}  // namespace qo::win32
