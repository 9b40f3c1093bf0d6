#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/services.h"

namespace qo {

inline constexpr float kSecondsPerDay = 86400.0f;

// True when the platform can tell the last-change time of the entry named by
// path.  Never fails: any failure is swallowed and answers false.
bool FileExists(FileSystem& files, std::wstring path) noexcept;

// A path in the program folder; the folder may be a drive root with its backslash.
std::wstring pathInFolder(const std::wstring& folder, std::wstring_view name);

// The hand pointer file HAND-M.CUR beside the program, when it is there (a plain
// file, by FileExists); both windows load it as their custom pointer image.
std::optional<std::wstring> handPointerBesideProgram(Application& app, FileSystem& files);

// Seconds from start to now on a clock that wraps at midnight.
double elapsedSince(float start, float now);

// Busy-waits for the given seconds, delivering pending window events between
// two readings of the clock.  Returns at once for 0 or less; throws Failure for a
// length that is not a number (or is endless).
void Pause(Clock& clock, EventPump& events, double seconds);

}  // namespace qo
