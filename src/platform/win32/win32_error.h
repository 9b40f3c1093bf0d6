#pragma once

#include <string>
#include <string_view>

namespace qo::win32 {

// The system's text for an error code, without the trailing line break.
std::wstring systemMessage(unsigned long code);

// Throws Failure: what failed, then the system's reason for GetLastError() when
// the failing call gave one.  A call that fails may leave the last error as an
// earlier call set it, so callers clear it (SetLastError(0)) just before the call
// whose failure they report.
[[noreturn]] void throwLastError(std::wstring_view what);
// The same with the system's reason alone, for callers that name what failed
// themselves; ownWords stand in where the failing call gave no reason.
[[noreturn]] void throwLastReason(std::wstring_view ownWords);
[[noreturn]] void throwError(std::wstring_view what, unsigned long code);

}  // namespace qo::win32
