#pragma once

#include <string>
#include <string_view>

namespace qo::win32 {

// The system's text for an error code, without the trailing line break.
std::wstring systemMessage(unsigned long code);

// Throws Failure: what failed, then the system's reason for GetLastError().
[[noreturn]] void throwLastError(std::wstring_view what);
[[noreturn]] void throwError(std::wstring_view what, unsigned long code);

}  // namespace qo::win32
